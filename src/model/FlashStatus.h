#pragma once

namespace vexlo {

// Phase or outcome of the latest install run.
enum class FlashStatus { idle, downloading, downloaded, flashed, downloadFailed, flashFailed };

} // namespace vexlo
