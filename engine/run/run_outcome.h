// How a generation run ended.
#pragma once

struct RunOutcome {
    enum class Kind {
        Completed,  // every frame written; the success message was shown
        Failed,     // the message m_nMessageId was shown; see the run for what the output holds
        Cancelled,  // the host answered no to KeepGoing; no message was shown
    };

    Kind m_kind = Kind::Completed;
    int m_nMessageId = 0;  // Failed: the string-table id of the message shown

    static RunOutcome Completed() { return {Kind::Completed, 0}; }
    static RunOutcome Failed(int messageId) { return {Kind::Failed, messageId}; }
    static RunOutcome Cancelled() { return {Kind::Cancelled, 0}; }

    friend bool operator==(const RunOutcome&, const RunOutcome&) = default;
};
