#include "ui/text/MaskErrorText.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "ui/text/DisplayFormat.h"

namespace harrowdale {

std::string MaskErrorText(const EMaskException& error)
{
    return Format(Translate(MaskProblemTemplate(error.Problem())), VisiblePathText(error.Mask()),
                  static_cast<std::int64_t>(error.Position()));
}

} // namespace harrowdale
