#pragma once
// The passport print job: one page of equal copies of the picture.
#include <cstdint>
#include <functional>

#include "layout/PassportLayout.h"
#include "picture/Dib.h"
#include "print/PosterPrintJob.h"
#include "print/PrintService.h"

namespace tessaro {

inline constexpr const char* kPassportJobTitle = "Tessaro Passbilder";

// Progress of the job in percent.
using PassProgressFn = std::function<void(int32_t percent)>;

// PassDruckClick's job. `settings` gives width, gap and margin (the height follows from the
// picture and the page); `passCount` is the count of the last preview, which the progress is
// measured against. A printer that refuses the page gets its document aborted. `checkRuler` adds
// a 50 mm bar in the bottom margin where it has room.
PosterPrintResult printPassport(PrintService& printer, const TDib& picture, PassSettings settings, int32_t passCount,
                                const PassProgressFn& progress = {}, bool checkRuler = false);

}  // namespace tessaro
