// Reads lines "ENCODING<TAB>TEXT" (TEXT in UTF-8; ENCODING an ICU converter
// name such as windows-950-2000), encodes TEXT strictly in ENCODING and
// prints, per line, what detection makes of the bytes and what the older
// rule - Big5 only when ICU's charset detector prefers it - would have made
// of them, and by how many quarter bits the Big5 reading is the more
// plausible: "DETECTED<TAB>ICU-RULE<TAB>GBK COST - BIG5 COST", or "skip" when
// TEXT is not encodable. ENCODING ending in "+stray" adds one 0xFF byte
// after the text.
// tools/measure_detection.py drives it.

#include "engine/detect.h"
#include "engine/detect_parts.h"
#include "engine/encoding.h"
#include "engine/icu_converter.h"

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>
#include <unicode/unistr.h>

#include <iostream>
#include <map>
#include <memory>
#include <string>

namespace {

bool Encode(const std::string& encoding, const std::string& utf8, std::string& bytes)
{
    static std::map<std::string, tavrel::ConverterPtr> converters;
    auto& converter = converters[encoding];
    if (!converter)
        converter = tavrel::OpenStrictConverter(encoding.c_str());
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(utf8);
    ucnv_reset(converter.get());
    bytes.resize(static_cast<std::size_t>(text.length()) * 4 + 4);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_fromUChars(converter.get(), bytes.data(), static_cast<int32_t>(bytes.size()),
                                           text.getBuffer(), text.length(), &status);
    if (U_FAILURE(status))
        return false;
    bytes.resize(static_cast<std::size_t>(length));
    return true;
}

// Big5 when the bytes are Big5 and ICU's detector is more confident of Big5
// than of GB18030; otherwise "other".
const char* IcuRule(const std::string& bytes)
{
    tavrel::Big5Check big5;
    big5.Feed(bytes);
    if (!big5.Valid(true))
        return "other";
    UErrorCode status = U_ZERO_ERROR;
    UCharsetDetector* detector = ucsdet_open(&status);
    ucsdet_setText(detector, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    int32_t found = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector, &found, &status);
    int32_t big5Confidence = 0, gbConfidence = 0;
    for (int32_t i = 0; U_SUCCESS(status) && i < found; ++i) {
        const std::string name = ucsdet_getName(matches[i], &status);
        const int32_t confidence = ucsdet_getConfidence(matches[i], &status);
        if (name == "Big5")
            big5Confidence = std::max(big5Confidence, confidence);
        else if (name == "GB18030")
            gbConfidence = std::max(gbConfidence, confidence);
    }
    ucsdet_close(detector);
    return big5Confidence > gbConfidence ? "Big5" : "other";
}

}  // namespace

int main()
{
    std::string line, bytes;
    while (std::getline(std::cin, line)) {
        const std::size_t tab = line.find('\t');
        std::string encoding = line.substr(0, tab == std::string::npos ? 0 : tab);
        const bool stray = encoding.ends_with("+stray");
        if (stray)
            encoding.resize(encoding.size() - 6);
        if (tab == std::string::npos || !Encode(encoding, line.substr(tab + 1), bytes)) {
            std::cout << "skip\n";
            continue;
        }
        if (stray)
            bytes += '\xFF';
        tavrel::ReadingCosts costs;
        costs.Feed(bytes);
        std::cout << tavrel::EncodingName(tavrel::DetectEncoding(bytes)) << '\t' << IcuRule(bytes) << '\t'
                  << static_cast<long>(costs.Gbk()) - static_cast<long>(costs.Big5()) << '\n';
    }
    return 0;
}
