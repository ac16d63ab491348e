// Prepares and inspects printers in a test prefix. Commands run in order:
//   driver MODEL                 register a printer driver model
//   printer NAME PORT MODEL      add a queue
//   id NAME TEXT                 set the queue's "SoftwareCUEContextID" (REG_SZ)
//   value NAME VALUE DWORD       set a REG_DWORD driver-data value
//   delete NAME                  delete a queue
//   settings NAME COMMENT LOCATION SHARE PRIORITY ORIENTATION
//                                set the queue's comment, location, share name ("-":
//                                not shared), priority and the orientation of its
//                                printing preferences (1 portrait, 2 landscape)
//   default NAME                 make the queue the user's default printer
//   show NAME                    NAME|COMMENT|LOCATION|SHARE|PRIORITY|ORIENTATION|DEFAULT|DATATYPE
//                                (SHARE "-" when not shared, DEFAULT "default" or "-")
//   owner KEY user|admins|powerusers
//                                give HKLM\KEY (32-bit view) this user, Administrators
//                                or Power Users as owner
//   ownerof KEY                  print the owner of HKLM\KEY: user, admins or its SID
//   dump                         one line per queue in enumeration order:
//                                NAME|PORT|MODEL|SoftwareCUEContextID|AiODDPnPWorked|N
//                                ("-" for a missing value; N values in the key, "-"
//                                without a key)
//   spawn COMMAND-LINE           start a program and do not wait for it
//   count IMAGE                  number of running processes with that image name
//   kill IMAGE                   end every process with that image name
//   volatile KEY                 create HKLM\KEY as a volatile key (gone when Wine's
//                                server ends); Wine then refuses any key below it that
//                                is not volatile (error 1021)
// Exit code 0 when every command worked.
#include "tests/tools/printer_bed.h"

#include <sddl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

bool AddDriver(const std::wstring& model)
{
    DRIVER_INFO_3W info = {};
    info.cVersion = 3;
    info.pName = const_cast<LPWSTR>(model.c_str());
    info.pDriverPath = const_cast<LPWSTR>(L"wineps.drv");
    info.pDataFile = const_cast<LPWSTR>(L"generic.ppd");
    info.pConfigFile = const_cast<LPWSTR>(L"wineps.drv");
    return AddPrinterDriverExW(nullptr, 3, reinterpret_cast<LPBYTE>(&info),
                               APD_COPY_ALL_FILES | APD_COPY_FROM_DIRECTORY) != FALSE;
}

bool SetValue(const std::wstring& printer, const std::wstring& name, DWORD type, const void* data, DWORD size)
{
    HKEY key = CreateDriverDataKey(printer);
    if (!key) return false;
    LONG rc = RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool DeleteQueue(const std::wstring& name)
{
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &printer, &defaults)) return false;
    BOOL deleted = DeletePrinter(printer);
    ClosePrinter(printer);
    return deleted != FALSE;
}

std::wstring CountValues(const std::wstring& printer)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, DriverDataKey(printer).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return L"-";
    DWORD values = 0;
    LONG rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::to_wstring(values) : L"?";
}

std::wstring ReadValue(const std::wstring& printer, const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, DriverDataKey(printer).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return L"-";
    BYTE data[2048] = {};
    DWORD size = sizeof(data) - 2, type = 0;
    LONG rc = RegQueryValueExW(key, name, nullptr, &type, data, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return L"-";
    if (type == REG_DWORD) return std::to_wstring(*reinterpret_cast<DWORD*>(data));
    return reinterpret_cast<wchar_t*>(data);
}

void Print(const std::wstring& line)
{
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &utf8[0], bytes, nullptr, nullptr);
    std::printf("%s\n", utf8.c_str());
}

bool Dump()
{
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &count)) return needed == 0;
    const PRINTER_INFO_2W* printers = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        std::wstring name = printers[i].pPrinterName;
        // A queue cut short while it was added may lack its port or driver: "-".
        const wchar_t* port = printers[i].pPortName ? printers[i].pPortName : L"-";
        const wchar_t* driver = printers[i].pDriverName ? printers[i].pDriverName : L"-";
        Print(name + L"|" + port + L"|" + driver + L"|" +
              ReadValue(name, L"SoftwareCUEContextID") + L"|" + ReadValue(name, L"AiODDPnPWorked") + L"|" +
              CountValues(name));
    }
    return true;
}

bool CreateVolatileKey(const std::wstring& path)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_READ, nullptr,
                              &key, nullptr);
    if (rc != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::vector<BYTE> Level2(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed + 1);
    if (!GetPrinterW(printer, 2, buffer.data(), needed, &needed)) buffer.clear();
    return buffer;
}

bool SetSettings(const std::wstring& name, const std::wstring& comment, const std::wstring& location,
                 const std::wstring& share, DWORD priority, short orientation)
{
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &printer, &defaults)) return false;
    std::vector<BYTE> buffer = Level2(printer);
    bool done = false;
    if (!buffer.empty()) {
        PRINTER_INFO_2W* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
        info->pComment = const_cast<LPWSTR>(comment.c_str());
        info->pLocation = const_cast<LPWSTR>(location.c_str());
        bool shared = share != L"-";
        info->pShareName = shared ? const_cast<LPWSTR>(share.c_str()) : nullptr;
        info->Attributes = shared ? (info->Attributes | PRINTER_ATTRIBUTE_SHARED) : (info->Attributes & ~PRINTER_ATTRIBUTE_SHARED);
        info->Priority = priority;
        if (info->pDevMode) {
            info->pDevMode->dmOrientation = orientation;
            info->pDevMode->dmFields |= DM_ORIENTATION;
        }
        info->pSecurityDescriptor = nullptr;
        done = SetPrinterW(printer, 2, buffer.data(), 0) != FALSE;
    }
    ClosePrinter(printer);
    return done;
}

bool Show(const std::wstring& name)
{
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &printer, nullptr)) return false;
    std::vector<BYTE> buffer = Level2(printer);
    ClosePrinter(printer);
    if (buffer.empty()) return false;
    const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    auto text = [](const wchar_t* field) { return std::wstring(field ? field : L""); };
    bool shared = (info->Attributes & PRINTER_ATTRIBUTE_SHARED) != 0;
    wchar_t current[512] = {0};
    DWORD size = 512;
    bool isDefault = GetDefaultPrinterW(current, &size) && lstrcmpiW(current, name.c_str()) == 0;
    Print(name + L"|" + text(info->pComment) + L"|" + text(info->pLocation) + L"|" +
          (shared ? text(info->pShareName) : L"-") + L"|" + std::to_wstring(info->Priority) + L"|" +
          (info->pDevMode ? std::to_wstring(info->pDevMode->dmOrientation) : L"-") + L"|" +
          (isDefault ? L"default" : L"-") + L"|" + text(info->pDatatype));
    return true;
}

bool SetKeyOwner(const std::wstring& path, const std::wstring& who)
{
    BYTE user[SECURITY_MAX_SID_SIZE] = {};
    PSID sid = user;
    if (who == L"admins" || who == L"powerusers") {
        DWORD size = sizeof(user);
        WELL_KNOWN_SID_TYPE type = who == L"admins" ? WinBuiltinAdministratorsSid : WinBuiltinPowerUsersSid;
        if (!CreateWellKnownSid(type, nullptr, sid, &size)) return false;
    } else {
        HANDLE token = nullptr;
        BYTE info[256] = {};
        DWORD size = 0;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
        BOOL got = GetTokenInformation(token, TokenUser, info, sizeof(info), &size);
        CloseHandle(token);
        if (!got || !CopySid(sizeof(user), sid, reinterpret_cast<TOKEN_USER*>(info)->User.Sid)) return false;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, READ_CONTROL | WRITE_DAC | WRITE_OWNER | KEY_WOW64_32KEY,
                      &key) != ERROR_SUCCESS)
        return false;
    // The key keeps its access list: Wine would give it another one with the owner alone.
    BYTE old[4096] = {};
    DWORD size = sizeof(old);
    PACL dacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    LONG rc = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, old, &size);
    if (rc == ERROR_SUCCESS && GetSecurityDescriptorDacl(old, &present, &dacl, &defaulted) &&
        GetSecurityDescriptorControl(old, &control, &revision)) {
        SECURITY_DESCRIPTOR sd;
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorOwner(&sd, sid, FALSE);
        SetSecurityDescriptorDacl(&sd, present, dacl, FALSE);
        SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
        if (control & SE_DACL_PROTECTED) what |= PROTECTED_DACL_SECURITY_INFORMATION;
        rc = RegSetKeySecurity(key, what, &sd);
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool PrintKeyOwner(const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, READ_CONTROL | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
        return false;
    BYTE sd[4096] = {};
    DWORD size = sizeof(sd);
    LONG rc = RegGetKeySecurity(key, OWNER_SECURITY_INFORMATION, sd, &size);
    RegCloseKey(key);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (rc != ERROR_SUCCESS || !GetSecurityDescriptorOwner(sd, &owner, &defaulted) || owner == nullptr) return false;
    BYTE admins[SECURITY_MAX_SID_SIZE] = {};
    DWORD adminsSize = sizeof(admins);
    HANDLE token = nullptr;
    BYTE info[256] = {};
    DWORD infoSize = 0;
    bool isUser = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
                  GetTokenInformation(token, TokenUser, info, sizeof(info), &infoSize) &&
                  EqualSid(owner, reinterpret_cast<TOKEN_USER*>(info)->User.Sid);
    if (token) CloseHandle(token);
    if (CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &adminsSize) && EqualSid(owner, admins)) {
        Print(L"admins");
    } else if (isUser) {
        Print(L"user");
    } else {
        LPWSTR text = nullptr;
        if (!ConvertSidToStringSidW(owner, &text)) return false;
        Print(text);
        LocalFree(text);
    }
    return true;
}

bool Spawn(const std::wstring& commandLine)
{
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring buffer = commandLine;
    buffer.push_back(L'\0');
    if (!CreateProcessW(nullptr, &buffer[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

void EndProcess(DWORD id)
{
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (!process) return;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

// Counts the processes with that image name, ending each when `kill` is set.
int CountProcesses(const std::wstring& image, bool kill)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (lstrcmpiW(entry.szExeFile, image.c_str()) == 0) {
            ++count;
            if (kill) EndProcess(entry.th32ProcessID);
        }
    CloseHandle(snapshot);
    return count;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    int failures = 0;
    auto need = [&](int i, int n) { return i + n < argc; };
    for (int i = 1; i < argc; ++i) {
        std::wstring command = argv[i];
        bool done = false;
        if (command == L"driver" && need(i, 1)) {
            done = AddDriver(argv[i + 1]);
            i += 1;
        } else if (command == L"printer" && need(i, 3)) {
            done = AddQueue(argv[i + 1], argv[i + 2], argv[i + 3]);
            i += 3;
        } else if (command == L"id" && need(i, 2)) {
            std::wstring text = argv[i + 2];
            done = SetValue(argv[i + 1], L"SoftwareCUEContextID", REG_SZ, text.c_str(),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
            i += 2;
        } else if (command == L"value" && need(i, 3)) {
            DWORD number = static_cast<DWORD>(_wtoi(argv[i + 3]));
            done = SetValue(argv[i + 1], argv[i + 2], REG_DWORD, &number, sizeof(number));
            i += 3;
        } else if (command == L"delete" && need(i, 1)) {
            done = DeleteQueue(argv[i + 1]);
            i += 1;
        } else if (command == L"settings" && need(i, 6)) {
            done = SetSettings(argv[i + 1], argv[i + 2], argv[i + 3], argv[i + 4], static_cast<DWORD>(_wtoi(argv[i + 5])),
                               static_cast<short>(_wtoi(argv[i + 6])));
            i += 6;
        } else if (command == L"default" && need(i, 1)) {
            done = SetDefaultPrinterW(argv[i + 1]) != FALSE;
            i += 1;
        } else if (command == L"show" && need(i, 1)) {
            done = Show(argv[i + 1]);
            i += 1;
        } else if (command == L"owner" && need(i, 2)) {
            done = SetKeyOwner(argv[i + 1], argv[i + 2]);
            i += 2;
        } else if (command == L"ownerof" && need(i, 1)) {
            done = PrintKeyOwner(argv[i + 1]);
            i += 1;
        } else if (command == L"dump") {
            done = Dump();
        } else if (command == L"volatile" && need(i, 1)) {
            done = CreateVolatileKey(argv[i + 1]);
            i += 1;
        } else if (command == L"spawn" && need(i, 1)) {
            done = Spawn(argv[i + 1]);
            i += 1;
        } else if ((command == L"count" || command == L"kill") && need(i, 1)) {
            int n = CountProcesses(argv[i + 1], command == L"kill");
            if (command == L"count") std::printf("%d\n", n);
            done = n >= 0;
            i += 1;
        }
        if (!done) {
            std::fprintf(stderr, "printerbed: %ls failed (%lu)\n", command.c_str(), GetLastError());
            ++failures;
        }
    }
    std::fflush(stdout);
    return failures == 0 ? 0 : 1;
}
