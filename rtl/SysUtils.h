#pragma once
// String, number and Windows-path helpers over Windows-1252 text.

#include <cstdint>
#include <string_view>

#include "rtl/AnsiString.h"

namespace rtl {

// Case mapping. The plain versions touch only 'a'..'z'; the Ansi versions map
// every Windows-1252 letter (à <-> À, š <-> Š, œ <-> Œ, ÿ <-> Ÿ; ß and µ stay).
AnsiString UpperCase(std::string_view s);
AnsiString LowerCase(std::string_view s);
AnsiString AnsiUpperCase(std::string_view s);
AnsiString AnsiLowerCase(std::string_view s);
char AnsiUpperChar(char c);
char AnsiLowerChar(char c);

// Trimming removes blanks and control characters (every byte <= ' ').
AnsiString Trim(std::string_view s);
AnsiString TrimLeft(std::string_view s);
AnsiString TrimRight(std::string_view s);

// Integers.
AnsiString IntToStr(int64_t value);
// Upper-case hex, at least `digits` digits (negative values as their 32-bit,
// or for values outside 32 bits 64-bit, two's complement).
AnsiString IntToHex(int64_t value, int digits);
// Decimal with optional sign, or hex with "$", "0x" or "0X" (sign allowed before
// it); blanks before the number are skipped. The value must fit in 32 bits.
bool TryStrToInt(std::string_view s, int32_t& value);
bool TryStrToInt64(std::string_view s, int64_t& value);
// EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(std::string_view s);
int64_t StrToInt64(std::string_view s);
int32_t StrToIntDef(std::string_view s, int32_t def);
// The INI integer rule: text longer than two characters that begins "0x"/"0X"
// is hex, a leading "$" is hex, else decimal with optional sign. Anything that
// does not convert as a whole gives `def`.
int32_t IniStrToIntDef(std::string_view s, int32_t def);

// Comparison. SameText/CompareText fold only ASCII letters; AnsiCompareText
// orders by Windows-1252 case-folded letters (accented letters beside their base).
bool SameText(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
int CompareStr(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);

// 1-based position of sub in s, 0 when absent (or when sub is empty).
int Pos(std::string_view sub, std::string_view s);

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
using TReplaceFlags = unsigned;
AnsiString StringReplace(std::string_view s, std::string_view oldPattern,
                         std::string_view newPattern, TReplaceFlags flags);

// Windows paths: '\' separates folders, ':' ends a drive.
AnsiString ExtractFileDrive(std::string_view path);  // "C:" or "\\server\share"
AnsiString ExtractFilePath(std::string_view path);   // up to and including the last '\' or ':'
AnsiString ExtractFileDir(std::string_view path);    // the same without a trailing '\' (roots keep it)
AnsiString ExtractFileName(std::string_view path);   // after the last '\' or ':'
AnsiString ExtractFileExt(std::string_view path);    // from the last '.' of the name, with the dot
AnsiString ChangeFileExt(std::string_view path, std::string_view ext);
AnsiString IncludeTrailingBackslash(std::string_view path);
AnsiString ExcludeTrailingBackslash(std::string_view path);
bool IsPathDelimiter(std::string_view s, std::size_t index);  // 0-based index

}  // namespace rtl
