// The body of the version file, and the version it names compared as the update check does.
#include "FuzzCheck.h"
#include "app/Appcast.h"
#include "firmware/VersionBody.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body = fuzzInput(data, size);
    if (const auto version = vexlo::parseVersionBody(body)) {
        FUZZ_CHECK(!version->isEmpty() && *version == version->trimmed());
        FUZZ_CHECK(version->toUcs4().size() <= 32);
        for (const QChar c : *version)
            FUZZ_CHECK(c != u'<' && c != u'>' && c != u'\n' && c != u'\r' && c.unicode() >= 0x20);
    }
    // Any two texts compare both ways alike, and each equals itself.
    const qsizetype half = body.size() / 2;
    const QString a = QString::fromUtf8(body.left(half)), b = QString::fromUtf8(body.mid(half));
    FUZZ_CHECK(vexlo::compareVersions(a, b) == -vexlo::compareVersions(b, a));
    FUZZ_CHECK(vexlo::compareVersions(a, a) == 0);
    return 0;
}
