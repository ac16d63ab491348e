#include "system/replace_rules.h"

namespace {

const wchar_t* const HEX_DIGITS = L"0123456789abcdef";
const wchar_t RECORD_SEPARATOR = L'|';

std::wstring Hex(uint64_t value, int digits)
{
    std::wstring hex;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) hex.push_back(HEX_DIGITS[(value >> shift) & 0xF]);
    return hex;
}

bool IsHex(const std::wstring& text)
{
    for (wchar_t c : text)
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
    return true;
}

}  // namespace

ReplacementNames ChooseReplacementNames(const std::wstring& target, uint64_t random)
{
    std::wstring hex = Hex(random, 16);
    ReplacementNames names;
    names.temporary = target + L"." + hex + L".tarvik-new";
    names.backup = target + L"." + hex + L".tarvik-old";
    return names;
}

NameState StateOfAttributes(uint32_t attributes)
{
    return (attributes & (ATTRIBUTE_DIRECTORY | ATTRIBUTE_REPARSE_POINT)) ? NameState::Foreign : NameState::Ours;
}

bool IsCreatedFile(const FileIdentity& created, const FileIdentity& now)
{
    return StateOfAttributes(now.attributes) == NameState::Ours && now.volume == created.volume &&
           now.index == created.index;
}

std::wstring IdentityText(const FileIdentity& file) { return Hex(file.volume, 8) + L":" + Hex(file.index, 16); }

std::wstring ReplacementRecordText(const ReplacementNames& names, const std::wstring& identity)
{
    return names.temporary + RECORD_SEPARATOR + names.backup + RECORD_SEPARATOR + identity;
}

bool ReadReplacementRecord(const std::wstring& target, const std::wstring& text, ReplacementNames& names,
                           std::wstring& identity)
{
    size_t first = text.find(RECORD_SEPARATOR);
    size_t second = first == std::wstring::npos ? first : text.find(RECORD_SEPARATOR, first + 1);
    if (second == std::wstring::npos) return false;
    std::wstring temporary = text.substr(0, first);
    // "<target>.<16 hex digits>.tarvik-new"
    const size_t hexStart = target.size() + 1, hexLength = 16;
    if (temporary.size() <= hexStart + hexLength || temporary.compare(0, target.size(), target) != 0) return false;
    std::wstring hex = temporary.substr(hexStart, hexLength);
    if (!IsHex(hex)) return false;
    uint64_t random = 0;
    for (wchar_t c : hex) random = random * 16 + static_cast<uint64_t>(c <= L'9' ? c - L'0' : c - L'a' + 10);
    ReplacementNames expected = ChooseReplacementNames(target, random);
    if (temporary != expected.temporary || text.substr(first + 1, second - first - 1) != expected.backup) return false;
    names = expected;
    identity = text.substr(second + 1);
    return true;
}

RecoveryDecision DecideRecovery(bool targetPresent, NameState temporary, NameState backup)
{
    RecoveryDecision decision;
    decision.foreign = temporary == NameState::Foreign || backup == NameState::Foreign;
    if (targetPresent)
        decision.act = RecoveryAct::RemoveLeftovers;
    else if (backup == NameState::Ours)
        // The replacement had begun, and the temporary is flushed before it begins.
        decision.act = temporary == NameState::Ours ? RecoveryAct::TemporaryTakesName : RecoveryAct::BackupTakesName;
    else
        // No backup of ours: the target did not exist before (a planted backup never
        // came from the replacement, which moves the old file away only onto its own name).
        decision.act = RecoveryAct::RemoveTemporary;
    return decision;
}
