#include "DesktopTest.h"

#include <gdk/gdkx.h>

namespace desktoptest {

unsigned long DesktopSession::xid(const appkit::Window& window) const
{
    GtkWidget* toplevel = presenter->toplevelForTesting(window);
    return toplevel && gtk_widget_get_window(toplevel) ? gdk_x11_window_get_xid(gtk_widget_get_window(toplevel)) : 0;
}

std::pair<int, int> DesktopSession::centre(GtkWidget* widget) const
{
    GtkWidget* toplevel = gtk_widget_get_toplevel(widget);
    int x = 0;
    int y = 0;
    gtk_widget_translate_coordinates(widget, toplevel, gtk_widget_get_allocated_width(widget) / 2,
                                     gtk_widget_get_allocated_height(widget) / 2, &x, &y);
    int originX = 0;
    int originY = 0;
    gdk_window_get_origin(gtk_widget_get_window(toplevel), &originX, &originY);
    return {originX + x, originY + y};
}

void DesktopSession::click(GtkWidget* widget)
{
    auto [x, y] = centre(widget);
    runTool("/usr/bin/xdotool", {"mousemove", std::to_string(x), std::to_string(y), "click", "1"});
}

bool DesktopSession::waitUntilDrawn(const appkit::Window& window)
{
    bool drawn = false;
    GtkWidget* toplevel = nullptr;
    bool mapped = pumpUntil([&] {
        toplevel = presenter->toplevelForTesting(window);
        return toplevel && gtk_widget_get_mapped(toplevel);
    });
    if (!mapped)
        return false;
    gulong handler = g_signal_connect_after(toplevel, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer flag) {
        *static_cast<bool*>(flag) = true;
        return FALSE;
    }), &drawn);
    gtk_widget_queue_draw(toplevel);
    bool done = pumpUntil([&] { return drawn; });
    g_signal_handler_disconnect(toplevel, handler);
    return done;
}

} // namespace desktoptest
