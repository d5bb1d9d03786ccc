// Get, Set and Get All as the operator gives them: each handler reads the controls, runs its
// flow (snmp/Flows.h) off the dialog's thread while the window goes on, and shows what came
// of it; and the two notifications of the walk list.
#include "snmp/Flows.h"
#include "ui/ComboBox.h"
#include "ui/ListBox.h"
#include "ui/ManagerDlg.h"
#include "ui/Resource.h"
#include "values/LineBinding.h"
#include "values/Values.h"

#include <QLineEdit>
#include <QLocale>
#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace {

// The walk's lines into the walk list. The walk hands each answer's lines over without
// waiting: they queue here, and the dialog's thread adds all that have queued every 25 ms,
// as often as the list shows new lines anyway, so that neither thread wakes the other for
// each line. What the list can still take is known here from what
// has been handed over, since the walk alone adds to the list while it runs, so that the
// walk learns at once of a line that the list will not take, as it would line by line.
class CWalkListSink : public flows::CWalkSink {
public:
    // Made on the dialog's thread.
    explicit CWalkListSink(CListBox* list) : m_list(list) {
        m_linesLeft = list->RoomLeft(&m_textBytesLeft);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Flush(); });
        m_timer.start(kAddEveryMs);
    }

    std::size_t TakeLines(std::vector<flows::WalkLine>& lines) override {
        std::size_t kept = 0;
        while (kept < lines.size() && m_linesLeft > 0 &&
               lines[kept].text.size() <= m_textBytesLeft && !m_refused) {
            --m_linesLeft;
            m_textBytesLeft -= lines[kept].text.size();
            ++kept;
        }
        {
            std::lock_guard<std::mutex> guard(m_lock);
            for (std::size_t i = 0; i < kept; ++i)
                m_queued.push_back(std::move(lines[i]));
        }
        m_count += kept;
        return kept;
    }
    std::size_t LineCount() const override { return m_count; }

    // The dialog's thread: every line queued so far, in the list; once more when the walk
    // has ended.
    void Flush() {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_adding.swap(m_queued);
        }
        for (const flows::WalkLine& line : m_adding) {
            if (m_list->AddLine(line.text, line.binding) == LB_ERRSPACE) {
                m_refused = true; // room, but no memory for it: the walk ends
                break;
            }
        }
        m_adding.clear();
    }

private:
    static constexpr int kAddEveryMs = 25;

    CListBox* m_list;
    QTimer m_timer;
    std::mutex m_lock;
    std::vector<flows::WalkLine> m_queued; // under m_lock
    std::vector<flows::WalkLine> m_adding; // the dialog's thread
    std::atomic<bool> m_refused{false};
    // The walk's thread alone.
    std::size_t m_linesLeft = 0;
    std::size_t m_textBytesLeft = 0;
    std::size_t m_count = 0;
};

// "Get All: 12,345 lines, 8,020 objects a second": the rate over the last two seconds or so,
// from the counts that the progress line samples as it goes.
class CWalkRate {
public:
    QString Text(int lines, qint64 elapsedMs) {
        m_samples.emplace_back(elapsedMs, lines);
        while (m_samples.size() > 2 && elapsedMs - m_samples[1].first >= 2000)
            m_samples.pop_front();
        const auto& [fromMs, fromLines] = m_samples.front();
        const qint64 spanMs = elapsedMs - fromMs;
        const QLocale locale;
        QString text = QStringLiteral("Get All: %1 lines").arg(locale.toString(lines));
        if (spanMs > 0) {
            const qint64 rate = (static_cast<qint64>(lines - fromLines) * 1000) / spanMs;
            text += QStringLiteral(", %1 objects a second").arg(locale.toString(rate));
        }
        return text;
    }

private:
    std::deque<std::pair<qint64, int>> m_samples{{0, 0}};
};

// A long name's useful end is the object's own name and its index: the OID name box keeps
// its end in view (a line edit scrolls to keep its cursor in view, focused or not), and the
// whole name stays in the box, to select and copy, and in its tooltip.
void ShowEndOfName(QWidget* box) {
    if (auto* edit = qobject_cast<QLineEdit*>(box)) {
        edit->setCursorPosition(static_cast<int>(edit->text().size()));
        edit->setToolTip(edit->text());
    }
}

// The identifier text of the walk list's selected line; false with no line selected.
// A line that names its object (identifiers by name, "IF-MIB::ifDescr.1 : ...") is read by
// the binding it keeps: the identifier it was made of, in numbers.
bool SelectedIdentifier(const CListBox* walkList, std::string* identifier) {
    const int index = walkList->GetCurSel();
    std::string line;
    if (index == LB_ERR || walkList->GetText(index, &line) == LB_ERR)
        return false;
    CLineBinding binding;
    if (walkList->GetBinding(index, &binding)) {
        *identifier = flows::IdentifierText(binding.View().name);
        return true;
    }
    *identifier = flows::IdentifierOfLine(line);
    return true;
}

} // namespace

// --- The request under way ------------------------------------------------------------

Outcome CManagerDlg::RunRequest(const CRequestRun::ProgressText& progress,
                                std::function<Outcome()> flow) {
    const Outcome outcome = m_request->Run(m_hSession, progress, std::move(flow));
    AfterRequest();
    return outcome;
}

void CManagerDlg::AfterRequest() {
    if (m_bCloseAfterRequest)
        QTimer::singleShot(0, this, [this] {
            m_bCloseAfterRequest = false;
            done(m_closeResult);
        });
}

CRequestRun::ProgressText CManagerDlg::RequestProgress(const char* what) const {
    const LPSNMP_MGR_SESSION session = m_hSession;
    return [session, what = QString::fromLatin1(what)](qint64) {
        SnmpMgrRequestProgress progress;
        if (!SnmpMgrGetRequestProgress(session, &progress))
            return what;
        const QLocale locale;
        const UINT attempts = static_cast<UINT>(progress.retries) + 1;
        return QStringLiteral("%1: attempt %2 of %3, time-out %4 ms")
            .arg(what)
            .arg(std::clamp(progress.sendings, 1u, attempts))
            .arg(attempts)
            .arg(locale.toString(progress.timeoutMs));
    };
}

bool CManagerDlg::ConvertOid(const std::string& text, AsnObjectIdentifier* oid) {
    if (SnmpMgrStrToOid(text.c_str(), oid))
        return true;
    Report(Outcome{OutcomeKind::InvalidOid});
    return false;
}

// --- Get ------------------------------------------------------------------------------

void CManagerDlg::OnGet() {
    GetObjectOfText(GetDlgItemText(IDC_OID));
}

void CManagerDlg::GetObjectOfText(const std::string& text) {
    if (RequestUnderWay())
        return; // one command at a time
    AsnObjectIdentifier oid{};
    if (!ConvertOid(text, &oid))
        return;
    DoGet(&oid);
    SnmpUtilOidFree(&oid); // the converter owns the identifier; DoGet only reads it
}

int CManagerDlg::DoGet(const AsnObjectIdentifier* oid) {
    AsnAny value{};
    const LPSNMP_MGR_SESSION session = m_hSession;
    const Outcome outcome = RunRequest(RequestProgress("Get"), [session, oid, &value] {
        return flows::Get(session, *oid, &value);
    });
    if (!outcome.IsDone()) {
        // A Get that the operator cancelled has nothing to tell.
        if (outcome.reason != SNMP_MGMTAPI_CANCELLED)
            Report(outcome);
        return 1;
    }
    ShowValue(value);
    SnmpUtilAsnAnyFree(&value);
    return 0;
}

void CManagerDlg::ShowValue(const AsnAny& value) {
    char* valueText = values::FormatValue(&value);
    // The first entry of the type list whose code matches; none where the list lacks the
    // type, since the type shown beside a value is always the value's.
    auto* types = ComboBox(IDC_TYPE);
    int shown = -1;
    for (int i = 0; i < types->GetCount() && shown < 0; ++i) {
        if (types->GetItemData(i) == value.asnType)
            shown = i;
    }
    types->SetCurSel(shown);
    SetDlgItemText(IDC_VALUE, valueText ? valueText : "");
    SnmpUtilMemFree(valueText);
}

// --- Set ------------------------------------------------------------------------------

void CManagerDlg::OnSet() {
    if (RequestUnderWay())
        return;
    AsnObjectIdentifier oid{};
    if (!ConvertOid(GetDlgItemText(IDC_OID), &oid))
        return;
    if (DoSet(&oid) == 0)
        Report(Outcome{OutcomeKind::SetAccepted});
    SnmpUtilOidFree(&oid); // OnSet owns the identifier; DoSet only reads it
}

int CManagerDlg::DoSet(const AsnObjectIdentifier* oid) {
    // The type is read before the value text. With no entry chosen the item data is CB_ERR,
    // whose low byte 0xFF is no value type code.
    auto* types = ComboBox(IDC_TYPE);
    const BYTE type = static_cast<BYTE>(types->GetItemData(types->GetCurSel()) & 0xFF);
    const std::string value = GetDlgItemText(IDC_VALUE);
    const LPSNMP_MGR_SESSION session = m_hSession;
    Outcome outcome = RunRequest(RequestProgress("Set"), [session, oid, type, &value] {
        return flows::Set(session, *oid, type, value);
    });
    if (outcome.IsDone())
        return 0; // the agent's answer is not shown
    // A Set cancelled before its answer may or may not have been carried out by the agent.
    if (outcome.reason == SNMP_MGMTAPI_CANCELLED)
        outcome = Outcome{OutcomeKind::SetCancelled};
    Report(outcome);
    return 1;
}

// --- Get All and the walk list --------------------------------------------------------

void CManagerDlg::OnGetAll() {
    if (RequestUnderWay())
        return;
    AsnObjectIdentifier root{};
    if (!ConvertOid(GetDlgItemText(IDC_OID), &root))
        return;
    CListBox* walkList = ListBox(IDC_WALK_LIST);
    walkList->ResetContent();
    CWalkListSink sink(walkList);
    const LPSNMP_MGR_SESSION session = m_hSession;
    const auto progress = [walkList, rate = std::make_shared<CWalkRate>()](qint64 elapsedMs) {
        return rate->Text(walkList->GetCount(), elapsedMs);
    };
    const values::LineTexts texts = m_lineTexts;
    Outcome end = RunRequest(progress, [session, &root, &sink, texts] {
        return flows::Walk(session, root, &sink, texts);
    });
    sink.Flush();
    walkList->Flush();
    walkList->update();
    // The lines received before a Cancel stay, and one box says how the walk ended.
    if (end.reason == SNMP_MGMTAPI_CANCELLED)
        end = Outcome{OutcomeKind::WalkCancelled, 0, 0, 0, std::to_string(walkList->GetCount())};
    Report(end);
    SnmpUtilOidFree(&root);
}

Outcome CManagerDlg::RunWalk(const AsnObjectIdentifier& root, flows::CWalkSink* sink,
                             const CRequestRun::ProgressText& progress) {
    if (RequestUnderWay() || !m_hSession)
        return Outcome{OutcomeKind::WalkFailed, SNMP_MGMTAPI_INVALID_SESSION};
    const LPSNMP_MGR_SESSION session = m_hSession;
    // The sink keeps the bindings, not the lines' texts: those are written as sent, the
    // cheapest.
    return RunRequest(progress, [session, &root, sink] { return flows::Walk(session, root, sink); });
}

void CManagerDlg::OnWalkListDblClk() {
    std::string identifier;
    if (RequestUnderWay() || !SelectedIdentifier(ListBox(IDC_WALK_LIST), &identifier))
        return;
    // The Get asks for the line's whole identifier. Read back through the OID box it would
    // be cut at the box's 254 characters, and an identifier longer than that (an object
    // with a hundred sub-identifiers and more) would be another object.
    SetDlgItemText(IDC_OID, identifier.c_str());
    GetObjectOfText(identifier);
}

bool CManagerDlg::SelectedWalkIdentifier(std::string* identifier) const {
    return SelectedIdentifier(ListBox(IDC_WALK_LIST), identifier);
}

void CManagerDlg::OnWalkListSelChange() {
    std::string identifier;
    if (!SelectedIdentifier(ListBox(IDC_WALK_LIST), &identifier))
        return;
    // A conversion that fails leaves the OID name box as it was; only what a conversion
    // made is shown and released.
    AsnObjectIdentifier oid{};
    if (!SnmpMgrStrToOid(identifier.c_str(), &oid))
        return;
    char* name = nullptr;
    if (SnmpMgrOidToStr(&oid, &name)) {
        SetDlgItemText(IDC_OID_NAME, name);
        ShowEndOfName(GetDlgItem(IDC_OID_NAME));
        SnmpUtilMemFree(name);
    }
    SnmpUtilOidFree(&oid);
}
