// A downloaded body as the image check sees it: its first bytes and its length.
#include "FuzzCheck.h"
#include "firmware/FirmwareImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body = fuzzInput(data, size);
    const QByteArrayView head =
        QByteArrayView(body).first(std::min<qsizetype>(body.size(), vexlo::firmwareImageHeadSize));
    const bool magic = (body.size() > 0 && uint8_t(body[0]) == 0xe9)
        || (body.size() > 0x1000 && uint8_t(body[0x1000]) == 0xe9);
    const bool accepted = vexlo::notAFirmwareImage(head, body.size()).isEmpty();
    FUZZ_CHECK(accepted == (body.size() >= 8 * 1024 && magic));
    return 0;
}
