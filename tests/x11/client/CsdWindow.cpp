// A window with the toolkit's own client-side decorations, as header-bar applications show: built
// against GTK 4 (a header bar) or GTK 3 (run with GTK_CSD=1). Under a compositor the toolkit draws
// its shadow in a transparent margin of the window and publishes it as _GTK_FRAME_EXTENTS.
// usage: brindlow-csd-gtkN TITLE   (prints "ready" once the window is shown; ends on close)
#include <gtk/gtk.h>

#include <cstdio>

namespace {

const char* title = "csd";

void shown(GtkWidget*, gpointer) {
    std::printf("ready\n");
    std::fflush(stdout);
}

#if GTK_MAJOR_VERSION >= 4
void activate(GtkApplication* app, gpointer) {
    GtkWidget* window = gtk_application_window_new(app);
    gtk_window_set_title(GTK_WINDOW(window), title);
    gtk_window_set_titlebar(GTK_WINDOW(window), gtk_header_bar_new());
    gtk_window_set_default_size(GTK_WINDOW(window), 400, 300);
    g_signal_connect(window, "map", G_CALLBACK(shown), nullptr);
    gtk_window_present(GTK_WINDOW(window));
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) title = argv[1];
#if GTK_MAJOR_VERSION >= 4
    // One process per window: no other instance is asked to open it.
    GtkApplication* app = gtk_application_new(nullptr, G_APPLICATION_NON_UNIQUE);
    g_signal_connect(app, "activate", G_CALLBACK(activate), nullptr);
    const int status = g_application_run(G_APPLICATION(app), 1, argv);
    g_object_unref(app);
    return status;
#else
    gtk_init(&argc, &argv);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), title);
    gtk_window_set_default_size(GTK_WINDOW(window), 400, 300);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    g_signal_connect(window, "map", G_CALLBACK(shown), nullptr);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
#endif
}
