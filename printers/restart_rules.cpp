#include "printers/restart_rules.h"

#include <algorithm>
#include <cstdint>

#include "framework/wstr.h"

namespace {

// Milliseconds from `from` to `to` on a 32-bit clock that wraps (GetTickCount).
unsigned long ClockSpan(unsigned long from, unsigned long to)
{
    return static_cast<std::uint32_t>(static_cast<std::uint32_t>(to) - static_cast<std::uint32_t>(from));
}

}  // namespace

StopWaitStep ServiceStopWait::Next(const ServiceLook& look, unsigned long nowMs)
{
    m_elapsed = ClockSpan(m_start, nowMs);
    if (look.stopped) return StopWaitStep::Stopped;
    if (!look.stopPending) return StopWaitStep::NotStopping;
    if (!m_seen || look.checkPoint != m_checkPoint) {
        m_seen = true;
        m_checkPoint = look.checkPoint;
        m_progressAt = nowMs;
    } else if (look.waitHint > 0 && ClockSpan(m_progressAt, nowMs) > look.waitHint) {
        return StopWaitStep::NoProgress;
    }
    if (m_elapsed >= m_ceiling) return StopWaitStep::Ceiling;
    m_sleep = std::min(std::clamp(look.waitHint / 10, 1000UL, 10000UL), m_ceiling - m_elapsed);
    return StopWaitStep::Wait;
}

namespace {

// The system cannot hand out a session's user to this launcher: it starts the program as of old.
bool NoUserTokens(unsigned long error)
{
    return error == TOKEN_PRIVILEGE_NOT_HELD || error == TOKEN_NO_LIBRARY || error == TOKEN_NO_FUNCTION;
}

}  // namespace

std::vector<TrayStart> DecideTrayStarts(const std::vector<unsigned long>& sessions, const TraySessionAnswers& answers)
{
    if (!answers.runsAsSystem) return {{TrayStartKind::OwnSession, 0, 0}};
    std::vector<TrayStart> starts;
    for (unsigned long session : sessions) {
        if (std::any_of(starts.begin(), starts.end(), [&](const TrayStart& s) { return s.session == session; }))
            continue;
        if (answers.programRunsIn(session)) {
            starts.push_back({TrayStartKind::RunsThere, session, 0});
            continue;
        }
        unsigned long error = answers.userToken(session);
        if (NoUserTokens(error)) return {{TrayStartKind::OwnSession, 0, error}};
        if (error == 0)
            starts.push_back({TrayStartKind::SessionUser, session, 0});
        else if (error == TOKEN_NO_USER || error == TOKEN_NO_SESSION)
            starts.push_back({TrayStartKind::NoUser, session, error});
        else
            starts.push_back({TrayStartKind::Failed, session, error});
    }
    if (starts.empty()) starts.push_back({TrayStartKind::NoSession, 0, 0});
    return starts;
}

std::wstring SessionListText(const std::vector<unsigned long>& sessions)
{
    std::wstring text;
    for (unsigned long session : sessions) {
        if (!text.empty()) text += L',';
        text += wstr::FromUnsigned(session);
    }
    return text;
}

std::vector<unsigned long> SessionListFromText(const std::wstring& text)
{
    std::vector<unsigned long> sessions;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = std::min(text.find(L',', begin), text.size());
        std::wstring entry = text.substr(begin, end - begin);
        unsigned long long value = 0;
        bool usable = !entry.empty() && entry.size() <= 10;
        for (wchar_t c : entry) {
            if (c < L'0' || c > L'9') usable = false;
            value = value * 10 + static_cast<unsigned long long>(c - L'0');
        }
        if (usable && value <= 0xFFFFFFFFULL) sessions.push_back(static_cast<unsigned long>(value));
        begin = end + 1;
    }
    return sessions;
}
