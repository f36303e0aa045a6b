#include "desktop/DesktopPresenter.h"

#include "desktop/DisplayCheck.h"
#include "desktop/PangoText.h"

#include "appkit/Alert.h"
#include "appkit/Button.h"
#include "appkit/CGWindowLevel.h"
#include "appkit/TextField.h"

#include <algorithm>
#include <cmath>

namespace desktop {

using foundation::Ref;

struct DesktopPresenter::Shown {
    foundation::WeakRef<appkit::Window> model;
    const appkit::Window* key = nullptr;  // compared, never used
    GtkWidget* window = nullptr;
    GtkWidget* frame = nullptr;     // the content, then the host's controls
    GtkWidget* content = nullptr;   // replaced when the views change
    GtkWidget* controlsRow = nullptr;
    std::vector<const appkit::View*> structure;
    std::map<const appkit::View*, GtkWidget*> widgets;  // the widget a view is drawn with
    std::map<const appkit::View*, GtkWidget*> rows;     // what holds it in its parent (hidden with it)
    std::vector<Control> controls;
    std::vector<GtkWidget*> controlButtons;
    std::function<void()> closeHandler;
    bool frontRequested = false;
};

namespace {

// A widget keeps the model object it draws alive for as long as it exists,
// so that its signals never reach a freed view.
void keepAlive(GtkWidget* widget, const foundation::Object& object)
{
    object.retain();
    g_object_set_data_full(G_OBJECT(widget), "desktop-model", const_cast<foundation::Object*>(&object),
                           [](gpointer data) { static_cast<const foundation::Object*>(data)->release(); });
}

void roundedRectangle(cairo_t* cr, double width, double height, double radius)
{
    radius = std::min({radius, width / 2, height / 2});
    cairo_new_sub_path(cr);
    cairo_arc(cr, width - radius, radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, width - radius, height - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, radius, height - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, radius, radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

// Before a layer-backed view's subviews draw: the layer's background.
gboolean drawLayer(GtkWidget* widget, cairo_t* cr, gpointer data)
{
    const auto* view = static_cast<const appkit::View*>(data);
    const appkit::Layer* layer = view->layer();
    if (!layer || !layer->backgroundColor())
        return FALSE;
    const appkit::CGColor& color = *layer->backgroundColor();
    roundedRectangle(cr, gtk_widget_get_allocated_width(widget), gtk_widget_get_allocated_height(widget),
                     layer->cornerRadius());
    cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
    cairo_fill(cr);
    return FALSE;
}

// A window that is not opaque paints its background colour as it is,
// transparency included, in place of the theme's.
gboolean drawWindowBackground(GtkWidget*, cairo_t* cr, gpointer data)
{
    auto* shown = static_cast<DesktopPresenter::Shown*>(data);
    Ref<appkit::Window> model = shown->model.get();
    if (!model || model->isOpaque())
        return FALSE;
    appkit::Color& color = model->backgroundColor();
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, color.redComponent(), color.greenComponent(), color.blueComponent(),
                          color.alphaComponent());
    cairo_paint(cr);
    cairo_restore(cr);
    return FALSE;
}

gboolean closeRequested(GtkWidget*, GdkEvent*, gpointer data)
{
    auto* shown = static_cast<DesktopPresenter::Shown*>(data);
    if (shown->closeHandler)
        std::function<void()>(shown->closeHandler)();
    else if (Ref<appkit::Window> model = shown->model.get())
        model->close();
    return TRUE;  // kept: the model decides what is shown
}

void buttonClicked(GtkButton*, gpointer data)
{
    Ref<appkit::Button>(static_cast<appkit::Button*>(data))->performClick();
}

void entryChanged(GtkEditable* editable, gpointer data)
{
    Ref<appkit::TextField> field(static_cast<appkit::TextField*>(data));
    std::string_view text = gtk_entry_get_text(GTK_ENTRY(editable));
    // Text the program set comes back here too; only the person's edits count.
    if (text == field->stringValue().utf8())
        return;
    if (Ref<foundation::String> value = foundation::String::create(text))
        field->textDidChangeByUser(value);
}

void controlClicked(GtkButton*, gpointer data)
{
    // Copied: pressing may replace the controls.
    auto pressed = static_cast<DesktopPresenter::Control*>(data)->pressed;
    if (pressed)
        pressed();
}

void preorder(const appkit::View* view, std::vector<const appkit::View*>& views)
{
    if (!view)
        return;
    views.push_back(view);
    for (const auto& subview : view->subviews())
        preorder(subview.get(), views);
}

// Buttons side by side at the end of a row.
GtkWidget* newButtonRow()
{
    GtkWidget* row = gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_button_box_set_layout(GTK_BUTTON_BOX(row), GTK_BUTTONBOX_END);
    gtk_box_set_spacing(GTK_BOX(row), 8);
    return row;
}

// What stands for a view: the row that holds it in its parent (hidden with
// the view) and the widget it is drawn with, often the same.
struct Built {
    GtkWidget* row;
    GtkWidget* widget;
};

GtkWidget* buildView(DesktopPresenter::Shown& shown, const appkit::View& view);

// An editable field: its placeholder as a name to the left of an entry.
Built buildEntry(const appkit::TextField& field)
{
    GtkWidget* entry = gtk_entry_new();
    gtk_widget_set_hexpand(entry, TRUE);
    g_signal_connect(entry, "changed", G_CALLBACK(entryChanged), const_cast<appkit::TextField*>(&field));
    keepAlive(entry, field);
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    GtkWidget* name = gtk_label_new(field.placeholderString().c_str());
    gtk_label_set_xalign(GTK_LABEL(name), 0);
    gtk_label_set_width_chars(GTK_LABEL(name), 14);
    gtk_box_pack_start(GTK_BOX(row), name, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), entry, TRUE, TRUE, 0);
    gtk_widget_show(name);
    gtk_widget_show(entry);
    return {row, entry};
}

Built buildLabel(const appkit::TextField& field)
{
    GtkWidget* label = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 60);
    keepAlive(label, field);
    return {label, label};
}

Built buildButton(DesktopPresenter::Shown& shown, const appkit::Button& button)
{
    GtkWidget* widget = gtk_button_new_with_label("");
    g_signal_connect(widget, "clicked", G_CALLBACK(buttonClicked), const_cast<appkit::Button*>(&button));
    keepAlive(widget, button);
    // A Return key equivalent makes the button the window's default.
    if (button.keyEquivalent().utf8() == "\r") {
        gtk_widget_set_can_default(widget, TRUE);
        gtk_window_set_default(GTK_WINDOW(shown.window), widget);
    }
    return {widget, widget};
}

// Any other view: a column of its subviews, consecutive buttons in one row.
Built buildContainer(DesktopPresenter::Shown& shown, const appkit::View& view)
{
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 10);
    keepAlive(box, view);
    GtkWidget* children = box;
    if (view.wantsLayer()) {
        // The layer fills the view; its subviews keep a margin inside it.
        g_signal_connect(box, "draw", G_CALLBACK(drawLayer), const_cast<appkit::View*>(&view));
        children = gtk_box_new(GTK_ORIENTATION_VERTICAL, 10);
        g_object_set(children, "margin", 16, nullptr);
        gtk_box_pack_start(GTK_BOX(box), children, TRUE, TRUE, 0);
        gtk_widget_show(children);
    } else if (&view == shown.structure.front()) {
        g_object_set(box, "margin", 16, nullptr);  // the window's content keeps off its edges
    }
    GtkWidget* buttons = nullptr;
    for (const auto& subview : view.subviews()) {
        GtkWidget* child = buildView(shown, *subview);
        if (!dynamic_cast<const appkit::Button*>(subview.get())) {
            buttons = nullptr;
            gtk_box_pack_start(GTK_BOX(children), child, FALSE, FALSE, 0);
            continue;
        }
        if (!buttons) {
            buttons = newButtonRow();
            gtk_box_pack_start(GTK_BOX(children), buttons, FALSE, FALSE, 0);
            gtk_widget_show(buttons);
        }
        gtk_container_add(GTK_CONTAINER(buttons), child);
    }
    return {box, box};
}

// The widgets of a view and, below it, of its subviews, recorded in
// `shown`; answers the row that holds them.
GtkWidget* buildView(DesktopPresenter::Shown& shown, const appkit::View& view)
{
    Built built{};
    if (auto* field = dynamic_cast<const appkit::TextField*>(&view))
        built = field->isEditable() ? buildEntry(*field) : buildLabel(*field);
    else if (auto* button = dynamic_cast<const appkit::Button*>(&view))
        built = buildButton(shown, *button);
    else
        built = buildContainer(shown, view);
    shown.widgets[&view] = built.widget;
    shown.rows[&view] = built.row;
    return built.row;
}

} // namespace

std::unique_ptr<DesktopPresenter> DesktopPresenter::open(std::string& error)
{
    if (!gtk_init_check(nullptr, nullptr)) {
        error = unreachableDisplayMessage();
        return nullptr;
    }
    return std::unique_ptr<DesktopPresenter>(new DesktopPresenter);
}

DesktopPresenter::DesktopPresenter()
    : source_(foundation::RunLoop::main())
{
}

DesktopPresenter::~DesktopPresenter()
{
    installed_.reset();  // no window reaches this display while its widgets go
    for (auto& shown : shown_)
        gtk_widget_destroy(shown->window);
    shown_.clear();
    // What the destruction queued (unmapping, freeing) runs now, while GLib
    // is still served.
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

void DesktopPresenter::windowDidOrderFront(appkit::Window& window)
{
    shownFor(window).frontRequested = true;
    scheduleDisplay();
}

void DesktopPresenter::windowNeedsDisplay(appkit::Window&)
{
    scheduleDisplay();
}

void DesktopPresenter::setControls(const appkit::Window& window, std::vector<Control> controls)
{
    Shown& shown = shownFor(const_cast<appkit::Window&>(window));
    for (GtkWidget* button : shown.controlButtons)
        gtk_widget_destroy(button);
    shown.controlButtons.clear();
    shown.controls = std::move(controls);
    for (auto& control : shown.controls) {
        GtkWidget* button = gtk_button_new_with_label("");
        g_signal_connect(button, "clicked", G_CALLBACK(controlClicked), &control);
        gtk_container_add(GTK_CONTAINER(shown.controlsRow), button);
        gtk_widget_show(button);
        shown.controlButtons.push_back(button);
    }
    gtk_widget_set_visible(shown.controlsRow, !shown.controls.empty());
    scheduleDisplay();
}

void DesktopPresenter::setCloseHandler(const appkit::Window& window, std::function<void()> handler)
{
    shownFor(const_cast<appkit::Window&>(window)).closeHandler = std::move(handler);
}

void DesktopPresenter::scheduleDisplay()
{
    schedule_.request();
}

DesktopPresenter::Shown& DesktopPresenter::shownFor(appkit::Window& window)
{
    for (auto& shown : shown_) {
        if (shown->key == &window && shown->model.get())
            return *shown;
    }
    auto shown = std::make_unique<Shown>();
    shown->model = &window;
    shown->key = &window;
    shown->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    if (GdkVisual* visual = gdk_screen_get_rgba_visual(gtk_widget_get_screen(shown->window)))
        gtk_widget_set_visual(shown->window, visual);
    g_signal_connect(shown->window, "delete-event", G_CALLBACK(closeRequested), shown.get());
    g_signal_connect(shown->window, "draw", G_CALLBACK(drawWindowBackground), shown.get());
    shown->frame = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_container_add(GTK_CONTAINER(shown->window), shown->frame);
    shown->controlsRow = newButtonRow();
    g_object_set(shown->controlsRow, "margin", 12, nullptr);
    gtk_box_pack_end(GTK_BOX(shown->frame), shown->controlsRow, FALSE, FALSE, 0);
    gtk_widget_show(shown->frame);
    shown_.push_back(std::move(shown));
    return *shown_.back();
}

void DesktopPresenter::display()
{
    schedule_.displayed();
    std::erase_if(shown_, [](const std::unique_ptr<Shown>& shown) {
        if (shown->model.get())
            return false;
        gtk_widget_destroy(shown->window);
        return true;
    });
    for (auto& shown : shown_)
        update(*shown);
    attachSheets();
}

void DesktopPresenter::update(Shown& shown)
{
    Ref<appkit::Window> model = shown.model.get();
    std::vector<const appkit::View*> structure;
    preorder(model->contentView(), structure);
    if (structure != shown.structure)
        rebuild(shown, std::move(structure));

    GtkWindow* window = GTK_WINDOW(shown.window);
    gtk_window_set_title(window, std::string(model->title().utf8()).c_str());
    bool floating = model->level() > appkit::CGWindowLevelForKey(appkit::kCGNormalWindowLevelKey);
    gtk_window_set_keep_above(window, floating);
    gtk_window_set_skip_taskbar_hint(window, floating);
    gtk_window_set_skip_pager_hint(window, floating);
    if (!gtk_widget_get_realized(shown.window))
        gtk_window_set_type_hint(window, floating ? GDK_WINDOW_TYPE_HINT_UTILITY : GDK_WINDOW_TYPE_HINT_NORMAL);
    gtk_widget_set_app_paintable(shown.window, !model->isOpaque());
    gtk_window_set_decorated(window, model->isOpaque());

    for (const appkit::View* view : shown.structure)
        updateView(shown, *view);
    updateControls(shown);

    if (model->isVisible()) {
        if (!gtk_widget_get_visible(shown.window) || shown.frontRequested)
            gtk_window_present(window);
    } else if (gtk_widget_get_visible(shown.window)) {
        gtk_widget_hide(shown.window);
    }
    shown.frontRequested = false;
    gtk_widget_queue_draw(shown.window);
}

void DesktopPresenter::rebuild(Shown& shown, std::vector<const appkit::View*> structure)
{
    if (shown.content)
        gtk_widget_destroy(shown.content);
    shown.content = nullptr;
    shown.widgets.clear();
    shown.rows.clear();
    shown.structure = std::move(structure);

    if (!shown.structure.empty()) {
        shown.content = buildView(shown, *shown.structure.front());
        gtk_box_pack_start(GTK_BOX(shown.frame), shown.content, TRUE, TRUE, 0);
    }
}

void DesktopPresenter::updateView(Shown& shown, const appkit::View& view)
{
    gtk_widget_set_visible(shown.rows.at(&view), !view.isHidden());
    GtkWidget* widget = shown.widgets.at(&view);
    if (auto* field = dynamic_cast<const appkit::TextField*>(&view)) {
        std::string text(field->stringValue().utf8());
        if (field->isEditable()) {
            if (text != gtk_entry_get_text(GTK_ENTRY(widget)))
                gtk_entry_set_text(GTK_ENTRY(widget), text.c_str());
            gtk_entry_set_placeholder_text(GTK_ENTRY(widget), field->placeholderString().c_str());
        } else {
            gtk_label_set_text(GTK_LABEL(widget), text.c_str());
            PangoAttrList* attributes = pangoAttributes(field->attributedStringValue());
            gtk_label_set_attributes(GTK_LABEL(widget), attributes);
            pango_attr_list_unref(attributes);
        }
    } else if (auto* button = dynamic_cast<const appkit::Button*>(&view)) {
        gtk_button_set_label(GTK_BUTTON(widget), std::string(button->title().utf8()).c_str());
    }
}

void DesktopPresenter::updateControls(Shown& shown)
{
    for (std::size_t index = 0; index < shown.controls.size(); ++index) {
        const Control& control = shown.controls[index];
        GtkWidget* button = shown.controlButtons[index];
        gtk_button_set_label(GTK_BUTTON(button), control.title ? control.title().c_str() : "");
        gtk_widget_set_sensitive(button, !control.enabled || control.enabled());
    }
}

void DesktopPresenter::attachSheets()
{
    for (auto& parent : shown_) {
        Ref<appkit::Window> model = parent->model.get();
        Ref<appkit::Alert> sheet = model ? appkit::Alert::attachedSheet(*model) : nullptr;
        if (!sheet)
            continue;
        for (auto& shown : shown_) {
            if (shown->key == &sheet->window()) {
                gtk_window_set_transient_for(GTK_WINDOW(shown->window), GTK_WINDOW(parent->window));
                gtk_window_set_modal(GTK_WINDOW(shown->window), TRUE);
            }
        }
    }
}

GtkWidget* DesktopPresenter::toplevelForTesting(const appkit::Window& window) const
{
    for (const auto& shown : shown_) {
        if (shown->key == &window && shown->model.get())
            return shown->window;
    }
    return nullptr;
}

GtkWidget* DesktopPresenter::widgetForViewForTesting(const appkit::View& view) const
{
    for (const auto& shown : shown_) {
        if (auto found = shown->widgets.find(&view); found != shown->widgets.end())
            return found->second;
    }
    return nullptr;
}

GtkWidget* DesktopPresenter::controlWidgetForTesting(const appkit::Window& window, std::size_t index) const
{
    for (const auto& shown : shown_) {
        if (shown->key == &window && index < shown->controlButtons.size())
            return shown->controlButtons[index];
    }
    return nullptr;
}

} // namespace desktop
