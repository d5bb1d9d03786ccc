// The one map from an outcome to its box, where the flows' own tests do not reach it: the
// layer's reasons, which today leave every flow's words as they are, and the words for a
// reason that has no text of its own. The flows' boxes themselves are tested through the
// dialog (GetRequestTest, SetRequestTest, WalkTest, SessionDialogTest, TrapListenerTest).
#include "support/RowName.h"

#include "ui/OutcomeBox.h"
#include "ui/Resource.h"

#include <gtest/gtest.h>

namespace {

using rows::PrintTo;

constexpr UINT kReasonWithoutText = SNMP_MGMTAPI_ERROR_BASE + 0xFFFF;

struct BoxCase {
    const char* name;
    Outcome outcome;
    const char* text;
    const char* caption;
    unsigned type;
};

class OutcomeBoxes : public ::testing::TestWithParam<BoxCase> {};

TEST_P(OutcomeBoxes, SayWhatHappenedInTheFlowsWords) {
    const OutcomeBox box = BoxOfOutcome(GetParam().outcome);
    EXPECT_EQ(box.text, GetParam().text);
    EXPECT_STREQ(box.caption, GetParam().caption);
    EXPECT_EQ(box.type, GetParam().type);
}

constexpr unsigned kError = MB_OK | MB_ICONERROR;

INSTANTIATE_TEST_SUITE_P(
    Outcomes, OutcomeBoxes,
    ::testing::Values(
        // Every reason the layer gives for a request that got no usable answer reads as the
        // flow's own failure, with the status and index as the request left them.
        BoxCase{"GetTimedOut", FailedRequest(OutcomeKind::GetFailed, SNMP_MGMTAPI_TIMEOUT, 0, 0),
                "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_NOERROR  ErrorIndex: 0",
                "Snmp Error", kError},
        BoxCase{"GetWithoutSession",
                FailedRequest(OutcomeKind::GetFailed, SNMP_MGMTAPI_INVALID_SESSION, 0, 0),
                "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_NOERROR  ErrorIndex: 0",
                "Snmp Error", kError},
        BoxCase{"SetOfAnIdentifierThatCannotBeSent",
                FailedRequest(OutcomeKind::SetFailed, SNMP_MGMTAPI_BAD_IDENTIFIER, 0, 0),
                "Snmp Request Failed", "Snmp Error", kError},
        BoxCase{"WalkStepWithABadAnswer",
                FailedRequest(OutcomeKind::WalkFailed, SNMP_MGMTAPI_BAD_ANSWER, 5, 2),
                "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_GENERR  ErrorIndex: 2",
                "Snmp Error", kError},
        BoxCase{"WalkOfAnSnmpV1SessionByGetBulk",
                FailedRequest(OutcomeKind::WalkFailed, SNMP_MGMTAPI_WRONG_VERSION, 0, 0),
                "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_NOERROR  ErrorIndex: 0",
                "Snmp Error", kError},
        // The agent's security refusing a request says the same in every flow, whatever the
        // flow's own words, and the same as the layer tells for the reason.
        BoxCase{"SetRefusedByTheAgentsSecurity",
                FailedRequest(OutcomeKind::SetFailed, SNMP_MGMTAPI_USM_WRONG_DIGEST, 0, 0),
                "Snmp Request Failed\nWrong digest: the agent could not authenticate the request. "
                "Check the authentication passphrase and protocol in the Session Settings.",
                "Snmp Error", kError},
        BoxCase{
            "WalkStepRefusedByAnUnverifiedReport",
            FailedRequest(OutcomeKind::WalkFailed, SNMP_MGMTAPI_USM_UNVERIFIED_UNKNOWN_USER, 0, 0),
            "Snmp Request Failed\nNo answer: the agent answered with an unauthenticated Report "
            "of usmStatsUnknownUserNames; it could not be verified, and anyone who sees the "
            "request could have sent it. If it is the agent's, check the user name in the "
            "Session Settings.",
            "Snmp Error", kError},
        BoxCase{"OpenRefusedByTheAgentsSecurity",
                Outcome(OutcomeKind::OpenRefused, SNMP_MGMTAPI_USM_UNKNOWN_ENGINE),
                "Unknown engine id: the agent does not take the engine id that it told, even "
                "after Okapel learnt it again.",
                "Error", kError},
        // An agent's error in each flow's words: Set's keeps the first line, and a negative
        // status or index is printed as the signed number it is.
        BoxCase{"SetRefused", AgentAnswer(OutcomeKind::SetAgentError, 4, 1),
                "Snmp Request Failed\nErrorStatus: SNMP_ERRORSTATUS_READONLY  ErrorIndex: 1",
                "Snmp Error", kError},
        BoxCase{"WalkStepRefusedWithANegativeStatus",
                AgentAnswer(OutcomeKind::WalkAgentError, -3, -1),
                "ErrorStatus: Unknown Error  ErrorIndex: -1", "Snmp Error", kError},
        // The system's text for a refused Open and a listener that cannot start, and the
        // program's own words where the reason has none.
        BoxCase{"OpenRefusedForAReasonWithText",
                Outcome(OutcomeKind::OpenRefused, SNMP_MGMTAPI_BAD_PORT),
                "The agent address has an invalid port: a port is a number from 1 to 65535.",
                "Error", kError},
        BoxCase{"OpenRefusedForAReasonWithoutText",
                Outcome(OutcomeKind::OpenRefused, kReasonWithoutText),
                "The session with the agent could not be opened (error 131071).", "Error", kError},
        BoxCase{"ListenFailedForAReasonWithoutText",
                Outcome(OutcomeKind::ListenFailed, kReasonWithoutText),
                "Okapel cannot receive traps (error 131071).", "Listen Error", kError},
        BoxCase{"ListenFailedForAnOperatingSystemError",
                Outcome(OutcomeKind::ListenFailed, ENOBUFS), "No buffer space available",
                "Listen Error", kError},
        // Done has no box at all.
        BoxCase{"Done", Outcome(), "", "", 0}),
    RowName{});

} // namespace
