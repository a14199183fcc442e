#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringDecoder>

// What the fuzz targets share: turning the fuzzer's bytes into text, and checking invariants.

// Stops the run with a message when an invariant does not hold; libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "invariant failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);          \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

namespace fuzzinput {

// Text from bytes: UTF-8 as a rule, so the dictionaries' entries come through as text; a first
// byte of 0x01 takes the rest as UTF-16 code units, lone surrogates and all.
inline QString text(std::string_view bytes)
{
    if (!bytes.empty() && bytes.front() == '\x01') {
        bytes.remove_prefix(1);
        return QString(reinterpret_cast<const QChar *>(bytes.data()), qsizetype(bytes.size() / 2));
    }
    // Not QString::fromUtf8, which drops a leading U+FEFF.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return utf8.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

// Splits the input at the first occurrence of `separator`: the part before and the rest.
inline std::string_view takePart(std::string_view &rest, std::string_view separator = "\x1f")
{
    const size_t at = rest.find(separator);
    const std::string_view part = rest.substr(0, at);
    rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + separator.size());
    return part;
}

} // namespace fuzzinput
