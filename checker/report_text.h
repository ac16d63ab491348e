// The checker's report as text for people and as one JSON document for tools; both
// carry the same content. No Windows headers: built and tested on the host.
#pragma once
#include <string>

#include "checker/check_config.h"

std::wstring FormatReportText(const CheckReport& report);
std::wstring FormatReportJson(const CheckReport& report);

// UTF-8 bytes of a wide string (lone surrogates become U+FFFD).
std::string ToUtf8(const std::wstring& text);
