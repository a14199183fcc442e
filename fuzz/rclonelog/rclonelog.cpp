// rclone's JSON log, as a publish reads it from rclone's stderr in chunks: every whole line is read
// once, and a line counts at most one file, the one its own "object" names.
//
// Input: chunks as they arrive, separated by 0x1F.

#include <cstdint>

#include <QJsonDocument>
#include <QJsonObject>

#include "fuzzinput.h"
#include "publishrun.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view rest(reinterpret_cast<const char *>(data), size);
    QByteArray pending;
    QByteArray seen; // the lines read so far, each with its line break again
    QByteArray sent;
    while (!rest.empty()) {
        const std::string_view chunk = fuzzinput::takePart(rest);
        pending.append(chunk.data(), qsizetype(chunk.size()));
        sent.append(chunk.data(), qsizetype(chunk.size()));
        for (const QByteArray &line : publish::takeLines(pending)) {
            FUZZ_CHECK(!line.contains('\n'));
            seen += line + '\n';
            const publish::LogLine read = publish::readLogLine(line);
            if (read.kind != publish::LogLine::Kind::Copied && read.kind != publish::LogLine::Kind::Deleted)
                continue;
            const QJsonObject entry = QJsonDocument::fromJson(line.trimmed()).object();
            FUZZ_CHECK(!read.object.isEmpty() && read.object == entry.value(u"object").toString());
        }
    }
    // Nothing read twice, nothing lost: what is left waits for its line break.
    FUZZ_CHECK(!pending.contains('\n'));
    FUZZ_CHECK(seen + pending == sent);
    return 0;
}
