#include "appkit/View.h"

#include "appkit/MainThread.h"
#include "appkit/OperationArguments.h"
#include "appkit/Window.h"
#include "foundation/objects/Array.h"

#include <algorithm>

namespace appkit {

using foundation::Object;
using foundation::Ref;

Ref<View> View::create()
{
    return Ref<View>::adopt(new View);
}

View::View(Coder& coder)
    : hidden_(coder.decodeBoolForKey("hidden"))
{
}

View::~View()
{
    for (auto& subview : subviews_)
        subview->superview_ = nullptr;
}

Window* View::window() const noexcept
{
    const View* root = this;
    while (root->superview_)
        root = root->superview_;
    return root->window_;
}

void View::addSubview(Ref<View> view)
{
    requireMainThread();
    FOUNDATION_PARAMETER_ASSERT(view);
    for (const View* ancestor = this; ancestor; ancestor = ancestor->superview_)
        FOUNDATION_PARAMETER_ASSERT(ancestor != view.get());
    view->removeFromSuperview();
    view->superview_ = this;
    subviews_.push_back(std::move(view));
    setNeedsDisplay();
}

void View::removeFromSuperview()
{
    requireMainThread();
    View* superview = std::exchange(superview_, nullptr);
    if (!superview)
        return;
    // Keeps this view alive until the erase below has finished with it.
    Ref<View> protect(this);
    auto& siblings = superview->subviews_;
    siblings.erase(std::find(siblings.begin(), siblings.end(), protect));
    superview->setNeedsDisplay();
}

void View::setHidden(bool hidden)
{
    requireMainThread();
    if (hidden_ == hidden)
        return;
    hidden_ = hidden;
    setNeedsDisplay();
}

void View::setWantsLayer(bool wantsLayer)
{
    requireMainThread();
    if (wantsLayer == this->wantsLayer())
        return;
    layer_ = wantsLayer ? Layer::create() : nullptr;
}

void View::setNeedsDisplay()
{
    requireMainThread();
    if (Window* window = this->window())
        window->viewNeedsDisplay();
}

namespace {
View& view(Object& object) { return static_cast<View&>(object); }
}

const foundation::OperationTable& View::operations() const
{
    static const foundation::OperationTable table(&Object::operations(), {
        {"subviews", [](Object& self, Object*) -> Ref<Object> {
            std::vector<Ref<Object>> subviews(view(self).subviews().begin(), view(self).subviews().end());
            return foundation::Array::create(subviews);
        }},
        {"addSubview:", [](Object& self, Object* argument) -> Ref<Object> {
            auto* subview = arguments::objectOf<View>(self, "addSubview:", argument, "a view");
            FOUNDATION_PARAMETER_ASSERT(subview);
            view(self).addSubview(Ref(subview));
            return nullptr;
        }},
        {"removeFromSuperview", [](Object& self, Object*) -> Ref<Object> {
            view(self).removeFromSuperview();
            return nullptr;
        }},
        {"superview", [](Object& self, Object*) -> Ref<Object> {
            return Ref(view(self).superview());
        }},
        {"window", [](Object& self, Object*) -> Ref<Object> {
            return Ref(view(self).window());
        }},
        {"isHidden", [](Object& self, Object*) -> Ref<Object> {
            return arguments::boolean(view(self).isHidden());
        }},
        arguments::setter<"setHidden:", arguments::Boolean, &View::setHidden>(),
        {"wantsLayer", [](Object& self, Object*) -> Ref<Object> {
            return arguments::boolean(view(self).wantsLayer());
        }},
        arguments::setter<"setWantsLayer:", arguments::Boolean, &View::setWantsLayer>(),
        {"layer", [](Object& self, Object*) -> Ref<Object> {
            return Ref(view(self).layer());
        }},
    });
    return table;
}

} // namespace appkit
