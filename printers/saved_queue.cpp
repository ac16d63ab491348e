#include "printers/saved_queue.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "framework/wstr.h"

const wchar_t* const SAVED_QUEUES_KEY = L"SOFTWARE\\Tarvik\\Setup\\SavedPrinterQueues";
const wchar_t* const DRIVER_DATA_KEY_NAME = L"PrinterDriverData";
const wchar_t* const DEVICE_ID_VALUE = L"SoftwareCUEContextID";
const wchar_t* const PNP_WORKED_VALUE = L"AiODDPnPWorked";
const wchar_t* const DEFAULT_DATATYPE = L"RAW";

namespace {

const unsigned char TAG_V1[4] = {'T', 'Q', 'R', '1'};
const unsigned char TAG_V2[4] = {'T', 'Q', 'R', '2'};

// Registry value types and queue attributes, as the system numbers them.
const uint32_t TYPE_SZ = 1, TYPE_DWORD = 4;
const uint32_t ATTRIBUTE_SHARED = 0x8, ATTRIBUTE_PUBLISHED = 0x2000;
// Attributes a user sets on a queue (queued, direct, hidden, keep printed jobs, ...);
// the others the spooler keeps itself or are put back on their own.
const uint32_t USER_ATTRIBUTES = 0x1 | 0x2 | 0x20 | 0x80 | 0x100 | 0x200 | 0x400 | 0x800 | 0x1000;
// Windows gives a new queue priority 1, Wine 0: neither is a setting of the user's.
const uint32_t NEW_QUEUE_PRIORITY = 1;

// DEVMODEW: dmSize at 68, dmDriverExtra at 70, dmFields at 72; the public part up to
// and including dmFields is 76 bytes.
const size_t DM_SIZE_AT = 68, DM_EXTRA_AT = 70, DM_FIELDS_AT = 72, DM_PUBLIC_MIN = 76;

struct DevModeField {
    uint32_t flag;
    size_t at, size;
};
// The printer fields of DEVMODEW that dmFields names.
const DevModeField DEVMODE_FIELDS[] = {
    {0x1, 76, 2},        {0x2, 78, 2},        {0x4, 80, 2},         {0x8, 82, 2},         {0x10, 84, 2},
    {0x100, 86, 2},      {0x200, 88, 2},      {0x400, 90, 2},       {0x800, 92, 2},       {0x1000, 94, 2},
    {0x2000, 96, 2},     {0x4000, 98, 2},     {0x8000, 100, 2},     {0x10000, 102, 64},   {0x40, 180, 4},
    {0x800000, 188, 4},  {0x1000000, 192, 4}, {0x2000000, 196, 4},  {0x4000000, 200, 4},
};

uint32_t Get16(const std::vector<unsigned char>& b, size_t at) { return b[at] | static_cast<uint32_t>(b[at + 1]) << 8; }
uint32_t Get32(const std::vector<unsigned char>& b, size_t at) { return Get16(b, at) | Get16(b, at + 2) << 16; }
void Put32(std::vector<unsigned char>& b, size_t at, uint32_t n)
{
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<unsigned char>(n >> (8 * i));
}

void PutNumber(std::vector<unsigned char>& out, uint32_t n)
{
    const unsigned char bytes[4] = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                                    static_cast<unsigned char>(n >> 16), static_cast<unsigned char>(n >> 24)};
    out.insert(out.end(), bytes, bytes + 4);
}

// UTF-16 units: wchar_t is 16 bits on Windows, where the records are written.
void PutText(std::vector<unsigned char>& out, const std::wstring& text)
{
    PutNumber(out, static_cast<uint32_t>(text.size()));
    size_t at = out.size();
    out.resize(at + 2 * text.size());
    for (wchar_t c : text) {
        out[at++] = static_cast<unsigned char>(c & 0xFF);
        out[at++] = static_cast<unsigned char>((c >> 8) & 0xFF);
    }
}

void PutData(std::vector<unsigned char>& out, const std::vector<unsigned char>& data)
{
    PutNumber(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}

class RecordReader {
public:
    RecordReader(const unsigned char* data, size_t size) : m_data(data), m_left(data ? size : 0) {}

    bool Bytes(size_t n, const unsigned char*& at)
    {
        if (n > m_left) return false;
        at = m_data;
        m_data += n;
        m_left -= n;
        return true;
    }
    bool Number(uint32_t& n)
    {
        const unsigned char* at = nullptr;
        if (!Bytes(4, at)) return false;
        n = static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
            static_cast<uint32_t>(at[3]) << 24;
        return true;
    }
    bool Text(std::wstring& text)
    {
        uint32_t units = 0;
        const unsigned char* at = nullptr;
        if (!Number(units) || units > m_left / 2 || !Bytes(static_cast<size_t>(units) * 2, at)) return false;
        text.resize(units);
        for (uint32_t i = 0; i < units; ++i)
            text[i] = static_cast<wchar_t>(at[2 * i] | static_cast<unsigned>(at[2 * i + 1]) << 8);
        return true;
    }
    bool Data(std::vector<unsigned char>& data)
    {
        uint32_t size = 0;
        const unsigned char* at = nullptr;
        if (!Number(size) || !Bytes(size, at)) return false;
        data.assign(at, at + size);
        return true;
    }
    bool AtEnd() const { return m_left == 0; }

private:
    const unsigned char* m_data;
    size_t m_left;
};

bool ReadDriverData(RecordReader& reader, std::vector<SavedDriverValue>& values)
{
    uint32_t count = 0;
    if (!reader.Number(count)) return false;
    for (uint32_t i = 0; i < count; ++i) {  // each value is read before it is kept
        SavedDriverValue value;
        if (!reader.Text(value.name) || !reader.Number(value.type) || !reader.Data(value.data)) return false;
        values.push_back(std::move(value));
    }
    return true;
}

bool ReadSettings(RecordReader& reader, SavedQueue& read)
{
    uint32_t isDefault = 0, timeLow = 0, timeHigh = 0;
    if (!reader.Text(read.sepFile) || !reader.Text(read.parameters)) return false;
    for (uint32_t* n : {&read.priority, &read.defaultPriority, &read.startTime, &read.untilTime, &isDefault,
                        &read.writerProcessId, &timeLow, &timeHigh, &read.attempts})
        if (!reader.Number(*n)) return false;
    if (isDefault > 1) return false;
    read.isDefault = isDefault == 1;
    read.writerCreationTime = static_cast<uint64_t>(timeHigh) << 32 | timeLow;
    if (!reader.Data(read.security) || !reader.Data(read.devMode) || !reader.Data(read.userDevMode)) return false;
    if (!read.security.empty() && !IsPlausibleSecurityDescriptor(read.security)) return false;
    for (const std::vector<unsigned char>* devMode : {&read.devMode, &read.userDevMode})
        if (!devMode->empty() && !IsUsableDevMode(*devMode)) return false;
    return true;
}

SavedDriverValue DwordValue(const wchar_t* name, uint32_t n)
{
    SavedDriverValue value;
    value.name = name;
    value.type = TYPE_DWORD;
    value.data = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n >> 16),
                  static_cast<unsigned char>(n >> 24)};
    return value;
}

const SavedDriverValue* FindValue(const std::vector<SavedDriverValue>& values, const std::wstring& name)
{
    for (const SavedDriverValue& value : values)
        if (wstr::CompareNoCase(value.name, name) == 0) return &value;  // registry names ignore case
    return nullptr;
}

// The driver data the queue must have: the recorded values, the identifier (empty when
// it had none) and "AiODDPnPWorked" = 1, as the update writes them.
std::vector<SavedDriverValue> ExpectedDriverData(const SavedQueue& saved)
{
    std::vector<SavedDriverValue> expected;
    for (const SavedDriverValue& value : saved.driverData)
        if (wstr::CompareNoCase(value.name, PNP_WORKED_VALUE) != 0) expected.push_back(value);
    if (!FindValue(expected, DEVICE_ID_VALUE)) {
        SavedDriverValue id;
        id.name = DEVICE_ID_VALUE;
        id.type = TYPE_SZ;
        id.data.assign(2, 0);
        expected.push_back(id);
    }
    expected.push_back(DwordValue(PNP_WORKED_VALUE, 1));
    return expected;
}

std::wstring Number(uint32_t n) { return wstr::FromUnsigned(n); }

}  // namespace

std::vector<unsigned char> SavedQueueRecord(const SavedQueue& queue)
{
    std::vector<unsigned char> out(TAG_V2, TAG_V2 + sizeof(TAG_V2));
    for (const std::wstring* text : {&queue.name, &queue.port, &queue.driver, &queue.printProcessor, &queue.datatype,
                                     &queue.shareName, &queue.comment, &queue.location})
        PutText(out, *text);
    PutNumber(out, queue.attributes);
    PutText(out, queue.sepFile);
    PutText(out, queue.parameters);
    for (uint32_t n : {queue.priority, queue.defaultPriority, queue.startTime, queue.untilTime,
                       static_cast<uint32_t>(queue.isDefault ? 1 : 0), queue.writerProcessId,
                       static_cast<uint32_t>(queue.writerCreationTime), static_cast<uint32_t>(queue.writerCreationTime >> 32),
                       queue.attempts})
        PutNumber(out, n);
    PutData(out, queue.security);
    PutData(out, queue.devMode);
    PutData(out, queue.userDevMode);
    PutNumber(out, static_cast<uint32_t>(queue.driverData.size()));
    for (const SavedDriverValue& value : queue.driverData) {
        PutText(out, value.name);
        PutNumber(out, value.type);
        PutData(out, value.data);
    }
    return out;
}

bool ReadSavedQueueRecord(const unsigned char* data, size_t size, SavedQueue& queue)
{
    RecordReader reader(data, size);
    SavedQueue read;
    const unsigned char* tag = nullptr;
    if (!reader.Bytes(sizeof(TAG_V2), tag)) return false;
    bool v2 = std::equal(tag, tag + sizeof(TAG_V2), TAG_V2);
    if (!v2 && !std::equal(tag, tag + sizeof(TAG_V1), TAG_V1)) return false;
    for (std::wstring* text : {&read.name, &read.port, &read.driver, &read.printProcessor, &read.datatype,
                               &read.shareName, &read.comment, &read.location})
        if (!reader.Text(*text)) return false;
    if (!reader.Number(read.attributes)) return false;
    if (v2 && !ReadSettings(reader, read)) return false;
    read.version = v2 ? 2 : 1;
    if (!ReadDriverData(reader, read.driverData) || !reader.AtEnd()) return false;
    queue = std::move(read);
    return true;
}

std::wstring SavedQueueProblem(const SavedQueue& queue, const std::wstring& recordName)
{
    if (queue.name != recordName) return L"it holds the queue " + LogSafeName(queue.name);
    if (queue.name.empty() || queue.port.empty() || queue.driver.empty() || queue.printProcessor.empty())
        return L"its name, port, driver or print processor is empty";
    return std::wstring();
}

std::wstring DatatypeOf(const SavedQueue& queue) { return queue.datatype.empty() ? DEFAULT_DATATYPE : queue.datatype; }

bool IsLastAttempt(const SavedQueue& queue) { return queue.attempts + 1 >= RECORD_ATTEMPTS_MAX; }

bool IsUsableDevMode(const std::vector<unsigned char>& devMode)
{
    if (devMode.size() < DM_PUBLIC_MIN || devMode.size() > RECORD_BLOB_MAX) return false;
    size_t dmSize = Get16(devMode, DM_SIZE_AT), extra = Get16(devMode, DM_EXTRA_AT);
    return dmSize >= DM_PUBLIC_MIN && dmSize + extra <= devMode.size();
}

int MergeDevModePublicFields(const std::vector<unsigned char>& saved, std::vector<unsigned char>& target)
{
    if (!IsUsableDevMode(saved) || !IsUsableDevMode(target)) return 0;
    size_t savedSize = Get16(saved, DM_SIZE_AT), targetSize = Get16(target, DM_SIZE_AT);
    uint32_t named = Get32(saved, DM_FIELDS_AT), fields = Get32(target, DM_FIELDS_AT);
    int changed = 0;
    for (const DevModeField& field : DEVMODE_FIELDS) {
        if (!(named & field.flag) || field.at + field.size > savedSize || field.at + field.size > targetSize) continue;
        auto from = saved.begin() + static_cast<std::ptrdiff_t>(field.at);
        auto to = target.begin() + static_cast<std::ptrdiff_t>(field.at);
        if (!std::equal(from, from + static_cast<std::ptrdiff_t>(field.size), to)) ++changed;
        std::copy(from, from + static_cast<std::ptrdiff_t>(field.size), to);
        fields |= field.flag;
    }
    Put32(target, DM_FIELDS_AT, fields);
    return changed;
}

bool IsPlausibleSecurityDescriptor(const std::vector<unsigned char>& security)
{
    const size_t HEADER = 20;               // SECURITY_DESCRIPTOR_RELATIVE
    const uint32_t SELF_RELATIVE = 0x8000;  // SE_SELF_RELATIVE
    const size_t size = security.size();
    if (size < HEADER || size > RECORD_BLOB_MAX || security[0] != 1 || !(Get16(security, 2) & SELF_RELATIVE))
        return false;
    // Owner and group SIDs (8 bytes, then 4 per sub-authority), SACL and DACL (their
    // size at 2): each part the header points to lies within the bytes.
    for (size_t field = 4; field <= 16; field += 4) {
        size_t at = Get32(security, field);
        if (at == 0) continue;
        if (at < HEADER || at > size - 8) return false;
        size_t length = field <= 8 ? 8 + 4 * static_cast<size_t>(security[at + 1]) : Get16(security, at + 2);
        if (length < 8 || length > size - at) return false;
    }
    return true;
}

std::vector<unsigned char> AccessListOnly(const std::vector<unsigned char>& security)
{
    const size_t HEADER = 20, DACL_AT = 16;
    const uint32_t SELF_RELATIVE = 0x8000, DACL_PRESENT = 0x4;
    // The control bits that belong to the DACL: defaulted, inheritance required, inherited, protected.
    const uint32_t DACL_BITS = 0x0008 | 0x0100 | 0x0400 | 0x1000;
    if (!IsPlausibleSecurityDescriptor(security)) return {};
    uint32_t control = Get16(security, 2);
    if (!(control & DACL_PRESENT)) return {};
    std::vector<unsigned char> only(HEADER, 0);
    only[0] = 1;
    uint32_t kept = SELF_RELATIVE | DACL_PRESENT | (control & DACL_BITS);
    only[2] = static_cast<unsigned char>(kept);
    only[3] = static_cast<unsigned char>(kept >> 8);
    size_t at = Get32(security, DACL_AT);
    if (at == 0) return only;  // a null DACL: access for everyone, as saved
    size_t length = Get16(security, at + 2);
    Put32(only, DACL_AT, static_cast<uint32_t>(HEADER));
    only.insert(only.end(), security.begin() + static_cast<std::ptrdiff_t>(at),
                security.begin() + static_cast<std::ptrdiff_t>(at + length));
    return only;
}

bool IsSameQueue(const SavedQueue& saved, const std::wstring& port, const std::wstring& driver)
{
    return wstr::CompareNoCase(saved.port, port) == 0 && wstr::CompareNoCase(saved.driver, driver) == 0;
}

std::vector<std::wstring> ChangedQueueFields(const SavedQueue& saved, const SavedQueue& now, bool withProcessor)
{
    std::vector<std::wstring> words;
    if (saved.comment != now.comment) words.push_back(L"comment");
    if (saved.location != now.location) words.push_back(L"location");
    bool shared = (saved.attributes & ATTRIBUTE_SHARED) != 0;
    if (shared != ((now.attributes & ATTRIBUTE_SHARED) != 0) || (shared && saved.shareName != now.shareName))
        words.push_back(shared ? L"share " + saved.shareName : std::wstring(L"not shared"));
    const bool v2 = saved.version >= 2;
    if (v2 && saved.sepFile != now.sepFile) words.push_back(L"separator page");
    if (v2 && saved.parameters != now.parameters) words.push_back(L"parameters");
    if (v2 && saved.priority != now.priority) words.push_back(L"priority " + Number(saved.priority));
    if (v2 && saved.defaultPriority != now.defaultPriority)
        words.push_back(L"default priority " + Number(saved.defaultPriority));
    if (v2 && (saved.startTime != now.startTime || saved.untilTime != now.untilTime)) words.push_back(L"hours");
    if ((saved.attributes & USER_ATTRIBUTES) != (now.attributes & USER_ATTRIBUTES)) words.push_back(L"attributes");
    if (withProcessor && wstr::CompareNoCase(saved.printProcessor, now.printProcessor) != 0)
        words.push_back(L"print processor");
    if (withProcessor && wstr::CompareNoCase(DatatypeOf(saved), now.datatype) != 0) words.push_back(L"data type");
    return words;
}

uint32_t PutBackAttributes(uint32_t now, uint32_t saved)
{
    const uint32_t kept = ATTRIBUTE_SHARED | USER_ATTRIBUTES;
    return (now & ~kept) | (saved & kept);
}

std::vector<std::wstring> SettingsToCarry(const SavedQueue& saved, bool preferencesDiffer)
{
    SavedQueue fresh;  // a queue as printui makes it
    fresh.name = saved.name;
    fresh.priority = saved.priority <= NEW_QUEUE_PRIORITY ? saved.priority : NEW_QUEUE_PRIORITY;
    fresh.attributes = saved.attributes & ~(ATTRIBUTE_SHARED | USER_ATTRIBUTES);
    std::vector<std::wstring> words = ChangedQueueFields(saved, fresh, false);
    if (preferencesDiffer) words.push_back(L"preferences");
    // The user's own preferences matter where they differ from the queue's.
    std::vector<unsigned char> queueDefaults = saved.devMode;
    if (!saved.userDevMode.empty() && (queueDefaults.empty() || MergeDevModePublicFields(saved.userDevMode, queueDefaults) > 0))
        words.push_back(L"user preferences");
    if (!saved.security.empty()) words.push_back(L"permissions");
    if (saved.attributes & ATTRIBUTE_PUBLISHED) words.push_back(L"published");
    if (saved.isDefault) words.push_back(L"default printer");
    return words;
}

std::vector<SavedDriverValue> MissingDriverData(const SavedQueue& saved, const std::vector<SavedDriverValue>& now,
                                                DriverDataCheck check)
{
    std::vector<SavedDriverValue> missing;
    const bool update = check != DriverDataCheck::Recorded, recorded = check != DriverDataCheck::Update;
    for (const SavedDriverValue& value : update ? ExpectedDriverData(saved) : saved.driverData) {
        bool updated = update && (wstr::CompareNoCase(value.name, DEVICE_ID_VALUE) == 0 ||
                                  wstr::CompareNoCase(value.name, PNP_WORKED_VALUE) == 0);
        if (!updated && !recorded) continue;
        const SavedDriverValue* there = FindValue(now, value.name);
        if (!there || (updated && (there->type != value.type || there->data != value.data))) missing.push_back(value);
    }
    return missing;
}

std::wstring JoinWords(const std::vector<std::wstring>& words)
{
    std::wstring text;
    for (size_t i = 0; i < words.size(); ++i) text += (i == 0 ? L"" : L", ") + words[i];
    return text;
}

std::wstring LogSafeName(const std::wstring& name) { return wstr::EscapeControls(name); }
