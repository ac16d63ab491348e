#include "system/registry_text.h"

#include "framework/wstr.h"

std::wstring RegistryDataText(const void* data, size_t byteCount)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    std::wstring text;
    for (size_t i = 0; i + 1 < byteCount; i += 2) {
        wchar_t unit = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

bool RegistryStringText(unsigned long type, const void* data, size_t byteCount, size_t maxChars, std::wstring& text)
{
    if (type != REGISTRY_TYPE_SZ && type != REGISTRY_TYPE_EXPAND_SZ) return false;
    std::wstring result = RegistryDataText(data, byteCount);
    if (result.size() > maxChars) return false;
    text = result;
    return true;
}

std::wstring RegistryValueLogText(unsigned long type, const void* data, size_t byteCount)
{
    if (type == REGISTRY_TYPE_SZ || type == REGISTRY_TYPE_EXPAND_SZ || type == REGISTRY_TYPE_MULTI_SZ)
        return RegistryDataText(data, byteCount);
    if (type == REGISTRY_TYPE_DWORD && byteCount == 4) {
        const unsigned char* b = static_cast<const unsigned char*>(data);
        unsigned long number = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<unsigned long>(b[3]) << 24);
        return wstr::FromUnsigned(number);
    }
    return std::wstring();
}

const wchar_t* const EXPANDABLE_FOLDER_NAMES[6] = {L"ProgramFiles", L"ProgramFiles(x86)", L"CommonProgramFiles",
                                                    L"SystemRoot",   L"windir",            L"SystemDrive"};

namespace {

bool IsExpandableFolderName(const std::wstring& name)
{
    for (const wchar_t* allowed : EXPANDABLE_FOLDER_NAMES)
        if (wstr::CompareNoCase(allowed, name) == 0) return true;
    return false;
}

}  // namespace

bool ExpandFolderNames(const std::wstring& text, const std::vector<FolderName>& folders, std::wstring& expanded,
                       std::wstring& unknown)
{
    std::wstring result;
    size_t pos = 0;
    for (;;) {
        size_t open = text.find(L'%', pos);
        size_t close = open == std::wstring::npos ? std::wstring::npos : text.find(L'%', open + 1);
        if (close == std::wstring::npos) break;
        std::wstring name = text.substr(open + 1, close - open - 1);
        const FolderName* found = nullptr;
        for (const FolderName& folder : folders)
            if (IsExpandableFolderName(name) && !folder.value.empty() && wstr::CompareNoCase(folder.name, name) == 0)
                found = &folder;
        if (found == nullptr) {
            unknown = L"%" + name + L"%";
            return false;
        }
        result += text.substr(pos, open - pos) + found->value;
        pos = close + 1;
    }
    expanded = result + text.substr(pos);
    return true;
}
