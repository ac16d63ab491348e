#include "run/exit_codes.h"

#include <algorithm>

#include "framework/wstr.h"

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// One list item: "17", "-2147024891". False with the reason otherwise.
bool ParseCode(const std::wstring& item, uint32_t& code, std::wstring& problem)
{
    std::wstring text = wstr::Trim(item);
    if (text.empty()) {
        problem = L"an exit code is missing between two commas";
        return false;
    }
    bool negative = text[0] == L'-';
    std::wstring digits = negative ? text.substr(1) : text;
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), IsDigit)) {
        problem = L"\"" + text + L"\" is not a whole number";
        return false;
    }
    const uint64_t most = negative ? 0x80000000ull : 0xFFFFFFFFull;
    uint64_t value = 0;
    for (wchar_t c : digits) {
        value = value * 10 + static_cast<uint64_t>(c - L'0');
        if (value > most) {
            problem = L"\"" + text + L"\" is beyond the 32 bits of an exit code";
            return false;
        }
    }
    code = static_cast<uint32_t>(negative ? (0x100000000ull - value) & 0xFFFFFFFFull : value);
    return true;
}

void AddOnce(std::vector<uint32_t>& codes, uint32_t code)
{
    if (std::find(codes.begin(), codes.end(), code) == codes.end()) codes.push_back(code);
}

bool FailsOutright(EntryResult result) { return result == EntryResult::Failed || result == EntryResult::NotStarted; }

}  // namespace

bool HasFixedMeaning(uint32_t code)
{
    return code == CODE_INSTALL_FAILURE || code == CODE_ANOTHER_INSTALL || code == CODE_RESTART_STARTED ||
           code == CODE_RESTART_REQUIRED;
}

std::vector<uint32_t> DefaultSuccessCodes() { return {0, CODE_RESTART_REQUIRED, CODE_RESTART_STARTED}; }

bool ParseSuccessCodes(const std::wstring& text, std::vector<uint32_t>& codes, std::wstring& problem)
{
    codes.clear();
    if (wstr::Trim(text).empty()) {
        problem = L"it names no exit code";
        return false;
    }
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(L',', start);
        uint32_t code = 0;
        if (!ParseCode(text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start), code,
                       problem)) {
            codes.clear();
            return false;
        }
        AddOnce(codes, code);
        if (comma == std::wstring::npos) return true;
        start = comma + 1;
    }
}

std::vector<uint32_t> SuccessCodesInForce(const std::vector<uint32_t>& own)
{
    std::vector<uint32_t> codes = DefaultSuccessCodes();
    for (uint32_t code : own) AddOnce(codes, code);
    return codes;
}

std::wstring CodeListText(const std::vector<uint32_t>& codes)
{
    std::wstring text;
    for (uint32_t code : codes) text += (text.empty() ? L"" : L", ") + wstr::FromUnsigned(code);
    return text;
}

std::wstring ExitCodeNote(uint32_t code, const std::wstring& systemText)
{
    std::wstring text = systemText;
    wstr::ReplaceAll(text, L"\r\n", L" ");
    wstr::ReplaceAll(text, L"\n", L" ");
    text = wstr::Trim(text);
    return HasFixedMeaning(code) && !text.empty() ? L" (" + text + L")" : std::wstring();
}

EntryResult JudgeExitCode(uint32_t exitCode, const std::vector<uint32_t>& successCodes)
{
    if (std::find(successCodes.begin(), successCodes.end(), exitCode) != successCodes.end())
        return EntryResult::Succeeded;
    return exitCode == CODE_ANOTHER_INSTALL ? EntryResult::Busy : EntryResult::Failed;
}

RunListEnd DecideRunListEnd(const std::vector<EntryEnd>& ends)
{
    RunListEnd end;
    auto failed = std::find_if(ends.begin(), ends.end(), [](const EntryEnd& e) { return FailsOutright(e.result); });
    auto busy = std::find_if(ends.begin(), ends.end(), [](const EntryEnd& e) { return e.result == EntryResult::Busy; });
    if (failed != ends.end()) {
        end.result = failed->result == EntryResult::NotStarted ? RunListResult::EntryNotStarted
                                                                : RunListResult::EntryFailed;
        end.entry = *failed;
    } else if (busy != ends.end()) {
        end.result = RunListResult::EntryBusy;
        end.entry = *busy;
    }
    return end;
}

std::wstring EntryEndText(const EntryEnd& end)
{
    return L"Run entry " + wstr::FromInt(end.number) + L" ended with exit code " + wstr::FromUnsigned(end.code) +
           L": " + end.entry;
}
