#pragma once

#include "appkit/AttributedString.h"

#include <pango/pango.h>

namespace desktop {

// The fonts of an attributed text as Pango attributes over its UTF-8
// bytes (the text's runs count UTF-16 units). The platform's system font
// becomes the desktop's "Sans"; a named font its family (the name before
// its first "-"), bold or italic when its name says so; sizes stay in
// points. The caller owns the list.
PangoAttrList* pangoAttributes(const appkit::AttributedString& text);

} // namespace desktop
