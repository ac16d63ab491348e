#include "printers/saved_queue.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "framework/wstr.h"

const wchar_t* const SAVED_QUEUES_KEY = L"SOFTWARE\\Tarvik\\Setup\\SavedPrinterQueues";
const wchar_t* const DRIVER_DATA_KEY_NAME = L"PrinterDriverData";

namespace {

const unsigned char RECORD_TAG[4] = {'T', 'Q', 'R', '1'};

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

}  // namespace

std::vector<unsigned char> SavedQueueRecord(const SavedQueue& queue)
{
    std::vector<unsigned char> out(RECORD_TAG, RECORD_TAG + sizeof(RECORD_TAG));
    for (const std::wstring* text : {&queue.name, &queue.port, &queue.driver, &queue.printProcessor, &queue.datatype,
                                     &queue.shareName, &queue.comment, &queue.location})
        PutText(out, *text);
    PutNumber(out, queue.attributes);
    PutNumber(out, static_cast<uint32_t>(queue.driverData.size()));
    for (const SavedDriverValue& value : queue.driverData) {
        PutText(out, value.name);
        PutNumber(out, value.type);
        PutNumber(out, static_cast<uint32_t>(value.data.size()));
        out.insert(out.end(), value.data.begin(), value.data.end());
    }
    return out;
}

bool ReadSavedQueueRecord(const unsigned char* data, size_t size, SavedQueue& queue)
{
    RecordReader reader(data, size);
    SavedQueue read;
    const unsigned char* tag = nullptr;
    if (!reader.Bytes(sizeof(RECORD_TAG), tag) || !std::equal(tag, tag + sizeof(RECORD_TAG), RECORD_TAG)) return false;
    for (std::wstring* text : {&read.name, &read.port, &read.driver, &read.printProcessor, &read.datatype,
                               &read.shareName, &read.comment, &read.location})
        if (!reader.Text(*text)) return false;
    uint32_t count = 0;
    if (!reader.Number(read.attributes) || !reader.Number(count)) return false;
    for (uint32_t i = 0; i < count; ++i) {  // each value is read before it is kept
        SavedDriverValue value;
        if (!reader.Text(value.name) || !reader.Number(value.type) || !reader.Data(value.data)) return false;
        read.driverData.push_back(std::move(value));
    }
    if (!reader.AtEnd()) return false;
    queue = std::move(read);
    return true;
}

bool IsSameQueue(const SavedQueue& saved, const std::wstring& port, const std::wstring& driver)
{
    return wstr::CompareNoCase(saved.port, port) == 0 && wstr::CompareNoCase(saved.driver, driver) == 0;
}
