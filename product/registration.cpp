#include "config/config_reader.h"
#include "framework/handles.h"
#include "framework/wstr.h"
#include "log/log_file.h"
#include "product/data_file_recovery.h"
#include "product/installed_product.h"
#include "product/registration_actor.h"
#include "product/registration_text.h"
#include "system/error_text.h"
#include "system/registry.h"
#include "system/registry_text.h"
#include "system/redirection.h"

namespace {

const wchar_t* const SCRUBBER_SECTION = L"Scrubber.FileUninstaller.MagicKeywords";
const wchar_t* const ADDON_MAGIC_KEYWORD = L"{8C2E5B17-44A9-4F03-B6D1-2E7A90C35F48}";

const DWORD INSTALLED_PRODUCT_DATA_BYTES = 2048;

// Switches the file-system redirection off for one scope on a 64-bit version 6.0
// workstation, where the product keeps its files outside the 32-bit view.
class RedirectionOffOnVista64 {
public:
    RedirectionOffOnVista64() : m_state(nullptr), m_off(FALSE)
    {
        if (GetVistaClientBitness() == 64) m_off = DisableFsRedirection(&m_state);
    }
    ~RedirectionOffOnVista64()
    {
        if (m_off) (void)RevertFsRedirection(m_state);  // nothing else can restore it
    }
    RedirectionOffOnVista64(const RedirectionOffOnVista64&) = delete;
    RedirectionOffOnVista64& operator=(const RedirectionOffOnVista64&) = delete;

private:
    PVOID m_state;
    BOOL m_off;
};

// Where the add-on's magic keyword goes, decided once for both acts.
struct AddonKeyChoice {
    int number;     // N + 1 after the data file's list of N keys
    bool pathFits;  // FALSE: the path is too long for the profile functions, which would write to another file
    bool nameMapped;  // the system maps the file's name to the registry: its profile writer would write there
};

AddonKeyChoice ChooseAddonKey(CConfigReader& dataFileReader, const std::wstring& dataFile)
{
    AddonKeyChoice choice;
    choice.number = dataFileReader.GetNoOfKeys(SCRUBBER_SECTION) + 1;
    choice.pathFits = FitsProfilePath(dataFile);
    // The profile function writes into a copy beside the file whose name nobody can foresee,
    // so only the file's own name can be mapped.
    choice.nameMapped = ProfileNameMapped(dataFile);
    return choice;
}

ReplaceResult FailedWith(DWORD error)
{
    ReplaceResult result;
    result.state = ReplaceState::Failed;
    result.error = error;
    return result;
}

// Makes the copy to write into beside the data file: the temporary of `replacement`,
// holding the file's bytes, or nothing yet when there is no data file (the profile
// function then writes it whole, as it would have created the file). FALSE when there
// is nothing to write into; `result` then holds the reason, or stays Done for the
// failures a direct write would have had too (no such folder, a folder by the file's name).
bool PrepareCopy(const std::wstring& dataFile, FileReplacement& replacement, ReplaceResult& result)
{
    result = ReplaceResult();
    DWORD attributes = ::GetFileAttributesW(dataFile.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD missing = ::GetLastError();
        if (missing == ERROR_FILE_NOT_FOUND) {  // only a file known not to exist is created
            result = replacement.Begin(std::wstring());
            return result.state == ReplaceState::Done;
        }
        if (missing != ERROR_PATH_NOT_FOUND) result = FailedWith(missing);
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    result = replacement.Begin(dataFile);
    if (result.state != ReplaceState::Done) return false;
    // A read-only data file stays one: the write fails as it would on the file itself.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        (void)::SetFileAttributesW(replacement.Temporary().c_str(), FILE_ATTRIBUTE_READONLY);
    return true;
}

// Writes the keyword as key `number` into the copy with the profile function itself, so
// that the file keeps its form. FALSE when nothing was written (see PrepareCopy).
bool WriteKeywordIntoCopy(const std::wstring& dataFile, FileReplacement& replacement, int number,
                          ReplaceResult& result)
{
    result = ReplaceResult();
    if (!FitsProfilePath(ChooseReplacementNames(dataFile, 0).temporary)) {  // every temporary's name is as long
        result = FailedWith(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    if (!PrepareCopy(dataFile, replacement, result)) return false;
    const std::wstring& copy = replacement.Temporary();
    if (!::WritePrivateProfileStringW(SCRUBBER_SECTION, wstr::FromInt(number).c_str(), ADDON_MAGIC_KEYWORD, copy.c_str()))
        return false;
    (void)::WritePrivateProfileStringW(nullptr, nullptr, nullptr, copy.c_str());  // a cached profile is written out
    return true;
}

// Appends the add-on's magic keyword as key N + 1 of the data file's list. The file is
// replaced in one step, never rewritten in place: a run cut at any point leaves the
// old file or the new one whole, and the next run puts right what the cut left before
// it reads the file. Done, or how the registration failed.
ReplaceState AppendAddonKeyword(const std::wstring& dataFile)
{
    RedirectionOffOnVista64 redirectionOff;
    ReplaceResult result = RecoverDataFile(dataFile);
    bool written = false, nameMapped = false;
    if (result.state == ReplaceState::Done) {
        CConfigReader dataFileReader;
        (void)dataFileReader.setIniFile(dataFile);  // always FALSE
        AddonKeyChoice choice = ChooseAddonKey(dataFileReader, dataFile);
        nameMapped = choice.nameMapped;
        // A path too long for the profile functions is a failed write.
        FileReplacement replacement(dataFile);
        written = choice.pathFits && !nameMapped && WriteKeywordIntoCopy(dataFile, replacement, choice.number, result);
        if (written) result = replacement.Finish();
    }
    if (written && result.state == ReplaceState::Done) {
        LogMessage(LOG_MEDIUM, L"## Successfully updated the  Magic Keyword in scrubber file");
        return ReplaceState::Done;
    }
    LogMessage(LOG_MEDIUM, L"## Writting Magic Keyword failed");
    if (nameMapped)
        LogMessage(LOG_HIGH,
                   L"## The data file %s is not written: the system maps its name to the registry (IniFileMapping), where its profile functions would write the keyword",
                   dataFile.c_str());
    if (result.state != ReplaceState::Done)
        LogMessage(LOG_MEDIUM, L"## The data file %s is left as it was: %s", dataFile.c_str(),
                   ReplaceFailureText(result).c_str());
    return result.state == ReplaceState::Foreign ? ReplaceState::Foreign : ReplaceState::Failed;
}

// "-ui plan": the key AppendAddonKeyword would write, and the key that lists the add-on already.
void PlanAddonKeyword(const std::wstring& dataFile)
{
    RedirectionOffOnVista64 redirectionOff;
    CConfigReader dataFileReader;
    (void)dataFileReader.setIniFile(dataFile);  // always FALSE
    AddonKeyChoice choice = ChooseAddonKey(dataFileReader, dataFile);
    int number = choice.number;
    if (!choice.pathFits) {
        LogMessage(LOG_HIGH, L"** Plan: registration: the data file path %s is too long: the write would fail",
                   dataFile.c_str());
        return;
    }
    if (choice.nameMapped) {
        LogMessage(LOG_HIGH,
                   L"** Plan: registration: the system maps the name of the data file %s to the registry (IniFileMapping): the write would fail",
                   dataFile.c_str());
        return;
    }
    int listed = 0;
    for (int i = 1; i < number && listed == 0; ++i) {
        std::wstring value;
        if (dataFileReader.ReadStrValue(SCRUBBER_SECTION, wstr::FromInt(i), value) &&
            wstr::CompareNoCase(value, ADDON_MAGIC_KEYWORD) == 0)
            listed = i;
    }
    if (listed == 0)
        LogMessage(LOG_HIGH, L"** Plan: registration: %s key %d of [%s] would be %s", dataFile.c_str(), number,
                   SCRUBBER_SECTION, ADDON_MAGIC_KEYWORD);
    else
        LogMessage(LOG_HIGH, L"** Plan: registration: %s key %d of [%s] would be %s (already listed under key %d)",
                   dataFile.c_str(), number, SCRUBBER_SECTION, ADDON_MAGIC_KEYWORD, listed);
}

}  // namespace

void RealRegistration::Register(const std::wstring& dataFile)
{
    m_refused = AppendAddonKeyword(dataFile) == ReplaceState::Foreign;
}

void PlanRegistration::Register(const std::wstring& dataFile) { PlanAddonKeyword(dataFile); }

void PlanRegistration::NotRegistered()
{
    LogMessage(LOG_HIGH, L"** Plan: no registration: no install folder or no installed disc of [%s]", CD_GUIDS_SECTION);
}

BOOL ProcessXRVCDGUIDsSection(RegistrationActor& actor)
{
    LogMessage(LOG_TRACE, L"--> Enter ProcessXRVCDGUIDsSection()");
    std::wstring installFolder;
    if (!ReadInstallFolder(installFolder)) {  // missing, or unusable: never a folder of the moment
        LogMessage(LOG_MEDIUM, L"## I didn't get install folder");
        LogMessage(LOG_TRACE, L"ProcessXRVCDGUIDsSection() returns FALSE");
        return FALSE;
    }
    LogMessage(LOG_MEDIUM, L"** InstallFolder : %s", installFolder.c_str());
    BOOL result = FALSE;
    int count = g_configReader.GetNoOfKeys(CD_GUIDS_SECTION);
    for (int i = 1; i <= count; ++i) {
        std::wstring key = wstr::FromInt(i);
        std::wstring cdGuid;
        if (!g_configReader.ReadStrValue(CD_GUIDS_SECTION, key, cdGuid)) {
            LogMessage(LOG_MEDIUM, L"## ReadStrValue(%s,%s,%s) failed", CD_GUIDS_SECTION, key.c_str(), cdGuid.c_str());
            continue;
        }
        if (!IsCDGUIDInstalled(cdGuid)) continue;
        std::wstring dataFile = UninstallerDataFilePath(installFolder, cdGuid);
        actor.Register(dataFile);
        result = TRUE;
        break;  // only the first installed disc is registered
    }
    LogMessage(LOG_TRACE, L"<-- Exit ProcessXRVCDGUIDSection()");
    return result;
}

bool IsCDGUIDInstalled(const std::wstring& cdGuid)
{
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, INSTALLED_PRODUCTS_KEY, KEY_READ, RegistryView::Bits64) != ERROR_SUCCESS) {
        LogMessage(LOG_TRACE, L"## SOFTWARE\\Norvale\\Installed Products Registry key not opened");
        return false;
    }
    RegistryValue installed;  // only its presence counts
    if (key.Read(cdGuid.c_str(), INSTALLED_PRODUCT_DATA_BYTES, installed) == ERROR_SUCCESS) return true;
    LogMessage(LOG_TRACE, L"CDGUID %s not found", cdGuid.c_str());
    return false;
}
