#pragma once

#include "appkit/View.h"

namespace corvane {

// The notification window's background: a layer-backed view with rounded
// corners and a light-grey fill. With the window itself transparent, this
// view gives the window its visible shape. Made only from the UI
// description.
class ASView final : public appkit::View {
public:
    static foundation::Ref<ASView> initWithCoder(appkit::Coder& coder);

    const char* className() const override { return "ASView"; }

private:
    friend class appkit::View;
    explicit ASView(appkit::Coder& coder);
};

} // namespace corvane
