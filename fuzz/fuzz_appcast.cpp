// The update feed's body, judged for the running version as the update check does.
#include "FuzzCheck.h"
#include "app/Appcast.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using Outcome = vexlo::UpdateCheckResult::Outcome;
    const QString running = QStringLiteral("1.2.0");
    const vexlo::UpdateCheckResult result = vexlo::checkAppcast(fuzzInput(data, size), running);
    switch (result.outcome) {
    case Outcome::newerAvailable:
        FUZZ_CHECK(vexlo::compareVersions(result.version, running) > 0);
        FUZZ_CHECK(vexlo::isOpenableLink(QUrl(result.link)));
        FUZZ_CHECK(result.error.isEmpty());
        break;
    case Outcome::upToDate:
        FUZZ_CHECK(result.version.isEmpty()
                   || vexlo::compareVersions(result.version, running) <= 0);
        break;
    case Outcome::failed:
        FUZZ_CHECK(!result.error.isEmpty());
        break;
    }
    return 0;
}
