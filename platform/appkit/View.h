#pragma once

#include "appkit/Coder.h"
#include "appkit/Layer.h"
#include "foundation/objects/Object.h"

#include <vector>

namespace appkit {

class Window;

// A rectangle of a window's content, with subviews. A view owns its
// subviews; a subview knows its superview and, through it, its window.
// Views are touched on the main thread only; a debug check stops a change
// from another thread.
class View : public foundation::Object {
public:
    static foundation::Ref<View> create();

    // The stand-in of initWithCoder: for View and its subclasses: makes a V
    // from the description's attributes (V's constructor taking a Coder,
    // which View must be able to call) and yields nothing when the
    // attributes do not make a view of that class.
    template <typename V>
    static foundation::Ref<V> initWithCoder(Coder& coder)
    {
        auto view = foundation::Ref<V>::adopt(new V(coder));
        if (coder.hasFailed())
            return nullptr;
        return view;
    }

    ~View() override;

    const std::vector<foundation::Ref<View>>& subviews() const noexcept { return subviews_; }
    // Moves `view` from its old superview, if any, to the end of this one's subviews.
    void addSubview(foundation::Ref<View> view);
    void removeFromSuperview();
    View* superview() const noexcept { return superview_; }
    // The window whose content holds this view, or null.
    Window* window() const noexcept;

    bool isHidden() const noexcept { return hidden_; }
    void setHidden(bool hidden);

    bool wantsLayer() const noexcept { return layer_ != nullptr; }
    // Turning it on gives the view a new layer with default settings;
    // turning it off drops the layer.
    void setWantsLayer(bool wantsLayer);
    // Null unless the view is layer-backed.
    Layer* layer() const noexcept { return layer_.get(); }

    const char* className() const override { return "NSView"; }
    const foundation::OperationTable& operations() const override;

protected:
    View() = default;
    // Reads "hidden" (true or false).
    explicit View(Coder& coder);

    // Tells the window that what this view shows has changed.
    void setNeedsDisplay();

private:
    friend class Window;

    std::vector<foundation::Ref<View>> subviews_;
    View* superview_ = nullptr;  // owns this view while set
    Window* window_ = nullptr;   // set on a window's content view only
    foundation::Ref<Layer> layer_;
    bool hidden_ = false;
};

} // namespace appkit
