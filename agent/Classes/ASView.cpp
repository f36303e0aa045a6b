#include "agent/Classes/ASView.h"

#include "appkit/Color.h"

namespace corvane {

foundation::Ref<ASView> ASView::initWithCoder(appkit::Coder& coder)
{
    foundation::Ref<ASView> view = View::initWithCoder<ASView>(coder);
    if (!view)
        return nullptr;
    view->setWantsLayer(true);
    view->layer()->setCornerRadius(10.0);
    view->layer()->setBackgroundColor(appkit::Color::lightGrayColor()->CGColor());
    return view;
}

ASView::ASView(appkit::Coder& coder) : View(coder) {}

} // namespace corvane
