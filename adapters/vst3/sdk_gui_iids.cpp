// Definitions of the editor-side interface identifiers. The headers declare them, but the
// shipped subset of the SDK has no source file that defines them, so a module or host that
// queries IPlugView, IPlugFrame or the Linux run loop would not link without these.

#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

namespace Steinberg {

DEF_CLASS_IID (IPlugView)
DEF_CLASS_IID (IPlugFrame)
DEF_CLASS_IID (IPlugViewContentScaleSupport)

#if SMTG_OS_LINUX
namespace Linux {
DEF_CLASS_IID (IEventHandler)
DEF_CLASS_IID (ITimerHandler)
DEF_CLASS_IID (IRunLoop)
}  // namespace Linux
#endif

}  // namespace Steinberg
