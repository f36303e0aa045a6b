#pragma once

#include "appkit/Coder.h"
#include "appkit/Color.h"
#include "appkit/View.h"
#include "appkit/WindowDisplay.h"
#include "foundation/objects/String.h"

namespace appkit {

// A window: a title, a level, a background colour, an opacity flag and one
// content view. It is on screen between makeKeyAndOrderFront and orderOut
// or close. Closing only hides it: the window, its content view and the
// subviews stay as they are and it can be shown again. Windows are touched
// on the main thread only; a debug check stops a change from another thread.
class Window : public foundation::Object {
public:
    static foundation::Ref<Window> create();
    // Reads "title" (string), "visibleAtLaunch" (true or false), "level"
    // (whole number) and "opaque" (true or false, default true).
    static foundation::Ref<Window> initWithCoder(Coder& coder);

    ~Window() override;

    // The display told about every window's changes; null for none.
    static void setDisplay(WindowDisplay* display) noexcept;
    static WindowDisplay* display() noexcept;

    foundation::String& title() const noexcept { return *title_; }
    void setTitle(foundation::Ref<foundation::String> title);

    long level() const noexcept { return level_; }
    void setLevel(long level) noexcept;

    Color& backgroundColor() const noexcept { return *backgroundColor_; }
    // A null colour restores the default window background.
    void setBackgroundColor(foundation::Ref<Color> color);

    bool isOpaque() const noexcept { return opaque_; }
    void setOpaque(bool opaque) noexcept;

    View* contentView() const noexcept { return contentView_.get(); }
    void setContentView(foundation::Ref<View> view);

    // Whether the description asked for the window to be shown once loaded.
    bool isVisibleAtLaunch() const noexcept { return visibleAtLaunch_; }

    bool isVisible() const noexcept { return visible_; }
    // Shows the window in front of the others (again, if it is already shown).
    void makeKeyAndOrderFront(foundation::Object* sender);
    void orderOut(foundation::Object* sender);
    // Hides the window, as the close box does; nothing is released.
    void close();

    // Called by the views of the window when what they show has changed.
    void viewNeedsDisplay();

    const char* className() const override { return "NSWindow"; }
    const foundation::OperationTable& operations() const override;

private:
    Window();
    explicit Window(Coder& coder);

    foundation::Ref<foundation::String> title_;
    foundation::Ref<Color> backgroundColor_;
    foundation::Ref<View> contentView_;
    long level_ = 0;
    bool opaque_ = true;
    bool visible_ = false;
    bool visibleAtLaunch_ = false;
};

} // namespace appkit
