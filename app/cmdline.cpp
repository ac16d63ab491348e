#include "app/cmdline.h"

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

namespace {

bool IsKnownUiValue(const std::wstring& value) { return value == L"quiet" || value == L"plan" || value == L"full"; }

// "-ui=plan", "-ui:plan", "-ui\"plan\"": a -ui request written without its blank.
bool IsGluedUi(const std::wstring& name) { return name.size() > 3 && name.compare(0, 3, L"-ui") == 0; }

}  // namespace

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
        if (names[i] == L"-ui" && !values[i].empty()) {
            choice.ui = values[i];
            if (!IsKnownUiValue(values[i])) choice.uiUnknown = values[i];
        }
        if (IsGluedUi(names[i])) choice.uiUnknown = values[i].empty() ? names[i] : names[i] + L" " + values[i];
        if (names[i] == L"-restart" && !values[i].empty()) choice.restart = values[i];
    }
    return choice;
}

UnattendedMode ChooseUnattended(const SwitchChoice& choice, std::wstring notes[2])
{
    UnattendedMode mode;
    notes[0].clear();
    notes[1].clear();
    if (!choice.uiUnknown.empty()) {
        // Perhaps a dry run was meant: nothing may change, and no window asks.
        mode.noWindows = true;
        mode.uiUnknown = true;
        notes[0] = L"## Unknown value of -ui: " + choice.uiUnknown + L" (the run ends before any change)";
    } else if (choice.ui == L"quiet" || choice.ui == L"plan") {
        mode.noWindows = true;
        mode.plan = choice.ui == L"plan";
    }
    if (choice.restart == L"force")
        mode.forceRestart = mode.noWindows && !mode.uiUnknown;
    else if (!choice.restart.empty() && choice.restart != L"no")
        notes[1] = L"## Unknown value of -restart: " + choice.restart + L" (using no)";
    if (choice.restart == L"force" && !mode.noWindows)
        notes[1] = L"** -restart force is used only with -ui quiet; the finish page decides";
    return mode;
}
