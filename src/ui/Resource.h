// Resource and control identifiers of Okapel's dialogs.
#pragma once

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_STATIC = -1;

inline constexpr int IDM_ABOUTBOX = 0x0010;
inline constexpr int IDM_SESSIONSETTINGS = 0x0030;
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDD_MANAGER_DIALOG = 102;
inline constexpr int IDD_SESSION_SETTINGS = 103;
inline constexpr int IDS_SESSIONSETTINGS = 104;
inline constexpr int IDD_MIB_BROWSER = 105;
inline constexpr int IDS_MIBBROWSER = 106;
inline constexpr int IDM_MIBBROWSER = 0x0040;
inline constexpr int IDD_NOTIFICATIONS = 107;
inline constexpr int IDS_NOTIFICATIONS = 108;
inline constexpr int IDM_NOTIFICATIONS = 0x0050;
inline constexpr int IDD_TABLE_VIEW = 115;
inline constexpr int IDS_TABLEVIEW = 116;
inline constexpr int IDM_TABLEVIEW = 0x0070;
inline constexpr int IDD_WATCH = 117;
inline constexpr int IDS_WATCH = 118;
inline constexpr int IDM_WATCH = 0x0080;
inline constexpr int IDR_MAINFRAME = 128;

inline constexpr int IDC_COMMUNITY = 1001;
inline constexpr int IDC_OID = 1002;
inline constexpr int IDC_GET = 1003;
inline constexpr int IDC_OPEN = 1005;
inline constexpr int IDC_CLOSE = 1006;
inline constexpr int IDC_VALUE = 1008;
inline constexpr int IDC_SET = 1009;
inline constexpr int IDC_WALK_LIST = 1010;
inline constexpr int IDC_TRAP_LIST = 1011;
inline constexpr int IDC_GETALL = 1012;
inline constexpr int IDC_IPADDRESS = 1013;
inline constexpr int IDC_OID_NAME = 1014;
inline constexpr int IDC_TYPE = 1015;
inline constexpr int IDC_CLEAR = 1016;

// The Session Settings dialog's controls.
inline constexpr int IDC_SNMP_VERSION = 1017;
inline constexpr int IDC_TIMEOUT = 1018;
inline constexpr int IDC_RETRIES = 1019;
inline constexpr int IDC_BULK_SIZE = 1020;
inline constexpr int IDC_USER_NAME = 1021;
inline constexpr int IDC_SECURITY_LEVEL = 1022;
inline constexpr int IDC_AUTH_PROTOCOL = 1023;
inline constexpr int IDC_AUTH_PASSPHRASE = 1024;
inline constexpr int IDC_PRIV_PROTOCOL = 1025;
inline constexpr int IDC_PRIV_PASSPHRASE = 1026;
inline constexpr int IDC_CONTEXT_NAME = 1027;
inline constexpr int IDC_TRAP_DROPS = 1028;
// How walk and trap lines write values and identifiers.
inline constexpr int IDC_LIST_VALUES = 1036;
inline constexpr int IDC_LIST_NAMES = 1037;

// The MIB browser's controls.
inline constexpr int IDC_MIB_FIND = 1029;
inline constexpr int IDC_MIB_TREE = 1030;
inline constexpr int IDC_MIB_DETAILS = 1031;
inline constexpr int IDC_MIB_USE = 1032;
inline constexpr int IDC_MIB_GET = 1033;
inline constexpr int IDC_MIB_GETALL = 1034;
inline constexpr int IDC_MIB_MODULES = 1035;
// The notification log's controls.
inline constexpr int IDC_NOTIFICATION_LIST = 1040;
inline constexpr int IDC_NOTIFICATION_DETAILS = 1041;
inline constexpr int IDC_NOTIFICATION_FILTER = 1042;
inline constexpr int IDC_NOTIFICATION_CHOICE = 1043;
inline constexpr int IDC_NOTIFICATION_EXPORT = 1044;
inline constexpr int IDC_NOTIFICATION_COUNT = 1045;
inline constexpr int IDC_NOTIFICATION_STATUS = 1046;
// The MIB browser's Table button and the table view's controls.
inline constexpr int IDC_MIB_TABLE = 1050;
inline constexpr int IDC_TABLE = 1051;
inline constexpr int IDC_TABLE_REFRESH = 1052;
inline constexpr int IDC_TABLE_COPY = 1053;
inline constexpr int IDC_TABLE_STATUS = 1054;
// The live counters' controls, and the buttons of the other windows that add objects to them.
inline constexpr int IDC_WATCH_LIST = 1060;
inline constexpr int IDC_WATCH_INTERVAL = 1061;
inline constexpr int IDC_WATCH_REMOVE = 1062;
inline constexpr int IDC_WATCH_PAUSE = 1063;
inline constexpr int IDC_WATCH_USE64 = 1064;
inline constexpr int IDC_WATCH_GRAPH = 1065;
inline constexpr int IDC_WATCH_STATUS = 1066;
inline constexpr int IDC_MIB_WATCH = 1067;
inline constexpr int IDC_TABLE_WATCH = 1068;

// The application's Help command.
inline constexpr int ID_HELP = 0xE146;

// System commands routed through OnSysCommand (the platform's own values).
inline constexpr unsigned SC_MINIMIZE = 0xF020;
inline constexpr unsigned SC_CLOSE = 0xF060;

// Message box styles understood by CManagerDlg::MessageBox.
inline constexpr unsigned MB_OK = 0x00;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;

// Combo and list box error value.
inline constexpr int CB_ERR = -1;
inline constexpr int LB_ERR = -1;
inline constexpr int LB_ERRSPACE = -2;
