#include "app/cmdline.h"

#include <vector>

#include "framework/wstr.h"

int ParseSwitchText(const std::wstring& arguments, std::wstring names[], std::wstring values[], int maxPairs)
{
    std::wstring rest = wstr::ToLower(arguments);
    int i = 0;
    while (i < maxPairs) {
        rest = wstr::Trim(rest);
        size_t dash = rest.rfind(L'-');
        if (dash == std::wstring::npos) break;
        std::wstring tail = rest.substr(dash);
        rest.erase(dash);
        size_t blank = tail.find(L' ');
        if (blank != std::wstring::npos) {
            names[i] = wstr::Trim(tail.substr(0, blank));
            values[i] = wstr::Trim(tail.substr(blank));
        } else {
            names[i] = wstr::Trim(tail);
            values[i].clear();
        }
        ++i;
    }
    return i;
}

SwitchChoice ChooseSwitches(const std::wstring names[], const std::wstring values[], int count)
{
    SwitchChoice choice;
    for (int i = 0; i < count; ++i) {
        if (names[i] == L"-f" && !values[i].empty()) {
            choice.file = values[i];
            wstr::RemoveChar(choice.file, L'"');
            choice.fileGiven = true;
        }
        if (names[i] == L"-log" && !values[i].empty()) {
            choice.level = wstr::ToInt(values[i]);
            choice.levelGiven = true;
        }
    }
    return choice;
}

namespace {

struct Token {
    std::wstring text;
    size_t start = 0;
};

// Blank-separated tokens; the double-quoted value after "-f" is one token, blanks and all.
std::vector<Token> SplitTokens(const std::wstring& text)
{
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && wstr::IsSpace(text[i])) ++i;
        if (i == text.size()) break;
        size_t start = i;
        bool quotedFile = text[i] == L'"' && !tokens.empty() && wstr::ToLower(tokens.back().text) == L"-f";
        if (quotedFile) {
            size_t close = text.find(L'"', i + 1);
            i = close == std::wstring::npos ? text.size() : close + 1;
        }
        while (i < text.size() && !wstr::IsSpace(text[i])) ++i;
        tokens.push_back(Token{text.substr(start, i - start), start});
    }
    return tokens;
}

// "-", "/" and the characters a document or a keyboard puts in place of a hyphen-minus.
bool IsSwitchMark(wchar_t c)
{
    return c == L'-' || c == L'/' || (c >= 0x2010 && c <= 0x2015) || c == 0x2212 || c == 0xFE63 || c == 0xFF0D;
}

// "-ui" or "-restart" when the token is written as one of them, else empty.
std::wstring OwnSwitchName(const std::wstring& token)
{
    if (token.size() < 2 || !IsSwitchMark(token[0])) return std::wstring();
    std::wstring rest = wstr::ToLower(token.substr(1));
    for (const wchar_t* name : {L"-ui", L"-restart"}) {
        std::wstring n = name + 1;
        if (rest == n) return name;
        if (rest.size() > n.size() && rest.compare(0, n.size(), n) == 0 &&
            (rest[n.size()] == L'=' || rest[n.size()] == L':' || rest[n.size()] == L'"'))
            return name;
    }
    return std::wstring();
}

bool IsDocumentedValue(const std::wstring& name, const std::wstring& value)
{
    if (name == L"-ui") return value == L"quiet" || value == L"plan" || value == L"full";
    return value == L"force" || value == L"no";
}

const wchar_t* DocumentedValues(const std::wstring& name)
{
    return name == L"-ui" ? L"quiet, plan or full" : L"force or no";
}

// Why the switch `name`, written as `token` with `value`, is not understood; empty when it is.
std::wstring WhyNotUnderstood(const std::wstring& arguments, const Token& token, const std::wstring& name,
                              const std::wstring& value, const std::wstring& earlier, int maxSwitches)
{
    if (token.text[0] != L'-') return L"the launcher's switches are written with the hyphen-minus -";
    if (token.text.size() != name.size()) return L"its value is written after a blank: " + name + L" VALUE";
    if (value.empty()) return name + L" needs a value: " + DocumentedValues(name);
    if (!IsDocumentedValue(name, value)) return L"not a value of " + name + L": " + DocumentedValues(name);
    size_t dashes = 0;
    for (size_t i = token.start; i < arguments.size(); ++i)
        if (arguments[i] == L'-') ++dashes;
    if (dashes > static_cast<size_t>(maxSwitches))
        return L"only the " + wstr::FromInt(maxSwitches) + L" right-most switches are read";
    if (!earlier.empty() && earlier != value) return name + L" is given twice with different values";
    return std::wstring();
}

}  // namespace

OwnSwitches ReadOwnSwitches(const std::wstring& arguments, int maxSwitches)
{
    OwnSwitches own;
    std::vector<Token> tokens = SplitTokens(arguments);
    for (size_t i = 0; i < tokens.size(); ++i) {
        std::wstring name = OwnSwitchName(tokens[i].text);
        if (name.empty()) continue;
        // The value: the words up to the next token written as a switch.
        std::wstring written = tokens[i].text, value;
        size_t next = i + 1;
        for (; next < tokens.size() && !IsSwitchMark(tokens[next].text[0]); ++next) {
            value += (value.empty() ? L"" : L" ") + wstr::ToLower(tokens[next].text);
            written += L" " + tokens[next].text;
        }
        std::wstring& chosen = name == L"-ui" ? own.ui : own.restart;
        std::wstring why = WhyNotUnderstood(arguments, tokens[i], name, value, chosen, maxSwitches);
        if (!why.empty()) {
            own.ui.clear();
            own.restart.clear();
            own.refused = written;
            own.why = why;
            return own;
        }
        chosen = value;
        i = next - 1;
    }
    return own;
}

UnattendedMode ChooseUnattended(const OwnSwitches& own, std::wstring notes[2])
{
    UnattendedMode mode;
    notes[0].clear();
    notes[1].clear();
    if (!own.refused.empty()) {
        // Perhaps a dry run was meant: nothing may change, and no window asks.
        mode.noWindows = true;
        mode.refused = true;
        notes[0] = L"## Command line not understood: " + own.refused + L": " + own.why +
                   L" (the run ends before any change)";
        return mode;
    }
    mode.noWindows = own.ui == L"quiet" || own.ui == L"plan";
    mode.plan = own.ui == L"plan";
    mode.forceRestart = own.restart == L"force" && mode.noWindows;
    if (own.restart == L"force" && !mode.noWindows)
        notes[1] = L"** -restart force is used only with -ui quiet; the finish page decides";
    return mode;
}
