#include "installer/TextPane.h"

#include "appkit/TextField.h"

namespace installer {

using foundation::Ref;

Ref<TextPane> TextPane::create(std::string_view title, std::string_view text)
{
    auto pane = Ref<TextPane>::adopt(new TextPane(foundation::str(title)));
    Ref<appkit::View> content = appkit::View::create();
    Ref<appkit::TextField> label = appkit::TextField::create();
    label->setStringValue(foundation::str(text));
    content->addSubview(label);
    pane->setContentView(content);
    return pane;
}

} // namespace installer
