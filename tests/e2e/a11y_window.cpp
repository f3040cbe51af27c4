// A GTK window for the accessibility test: a button, a checked check box, a slider, a
// text field, a disabled checked box, and 150 small buttons for a burst of focus changes.
// Tells on standard output where things are and when a burst is over:
//   ready                      the window is up, the button "Enviar" has the focus
//   at NAME X Y                the centre of a widget, in screen pixels
//   burst done                 after SIGUSR1: n001..n150 have had the focus in turn
//   gone                       after SIGUSR2: "Grande" (a 100 KB name) and "Sumir" had the
//                              focus, and "Sumir" was destroyed
#include <gtk/gtk.h>
#include <glib-unix.h>

#include <csignal>
#include <cstdio>
#include <string>

namespace {

struct App {
  GtkWidget* window = nullptr;
  GtkWidget* send = nullptr;
  GtkWidget* disabled = nullptr;
  GtkWidget* big = nullptr;
  GtkWidget* vanish = nullptr;
  GtkWidget* burst[150] = {};
  int next = 0;
};

void say(const char* line) {
  std::printf("%s\n", line);
  std::fflush(stdout);
}

void tell_centre(App& app, GtkWidget* w, const char* name) {
  int ox = 0, oy = 0, wx = 0, wy = 0;
  gdk_window_get_origin(gtk_widget_get_window(app.window), &ox, &oy);
  gtk_widget_translate_coordinates(w, app.window, 0, 0, &wx, &wy);
  GtkAllocation a;
  gtk_widget_get_allocation(w, &a);
  std::printf("at %s %d %d\n", name, ox + wx + a.width / 2, oy + wy + a.height / 2);
  std::fflush(stdout);
}

gboolean report_ready(gpointer data) {
  App& app = *static_cast<App*>(data);
  gtk_widget_grab_focus(app.send);
  tell_centre(app, app.send, "Enviar");
  tell_centre(app, app.disabled, "Desligado");
  say("ready");
  return G_SOURCE_REMOVE;
}

gboolean burst_step(gpointer data) {
  App& app = *static_cast<App*>(data);
  if (app.next >= 150) {
    say("burst done");
    return G_SOURCE_REMOVE;
  }
  gtk_widget_grab_focus(app.burst[app.next++]);
  return G_SOURCE_CONTINUE;
}

gboolean start_burst(gpointer data) {
  static_cast<App*>(data)->next = 0;
  g_timeout_add(3, burst_step, data);
  return G_SOURCE_CONTINUE;
}

gboolean destroy_vanish(gpointer data) {
  App& app = *static_cast<App*>(data);
  gtk_widget_destroy(app.vanish);
  app.vanish = nullptr;
  say("gone");
  return G_SOURCE_REMOVE;
}

gboolean focus_vanish(gpointer data) {
  App& app = *static_cast<App*>(data);
  if (app.vanish) gtk_widget_grab_focus(app.vanish);
  g_timeout_add(300, destroy_vanish, data);
  return G_SOURCE_REMOVE;
}

gboolean start_vanish(gpointer data) {
  App& app = *static_cast<App*>(data);
  gtk_widget_grab_focus(app.big);
  g_timeout_add(300, focus_vanish, data);
  return G_SOURCE_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  App app;
  app.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(app.window), "Janela de teste");
  gtk_window_move(GTK_WINDOW(app.window), 300, 200);
  g_signal_connect(app.window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
  gtk_container_add(GTK_CONTAINER(app.window), box);

  app.send = gtk_button_new_with_label("Enviar");
  gtk_box_pack_start(GTK_BOX(box), app.send, FALSE, FALSE, 0);

  GtkWidget* check = gtk_check_button_new_with_label("Aceito");
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), TRUE);
  gtk_box_pack_start(GTK_BOX(box), check, FALSE, FALSE, 0);

  GtkWidget* scale = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 1);
  gtk_range_set_value(GTK_RANGE(scale), 42);
  atk_object_set_name(gtk_widget_get_accessible(scale), "Volume");
  gtk_box_pack_start(GTK_BOX(box), scale, FALSE, FALSE, 0);

  GtkWidget* entry = gtk_entry_new();
  gtk_entry_set_text(GTK_ENTRY(entry), "Jo\xC3\xA3o \xE2\x82\xAC \xE4\xB8\xAD");  // João € and a character 1252 lacks
  atk_object_set_name(gtk_widget_get_accessible(entry), "Nome");
  gtk_box_pack_start(GTK_BOX(box), entry, FALSE, FALSE, 0);

  app.disabled = gtk_check_button_new_with_label("Desligado");
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(app.disabled), TRUE);
  gtk_widget_set_sensitive(app.disabled, FALSE);
  gtk_box_pack_start(GTK_BOX(box), app.disabled, FALSE, FALSE, 0);

  GtkWidget* grid = gtk_grid_new();
  for (int i = 0; i < 150; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "n%03d", i + 1);
    app.burst[i] = gtk_button_new_with_label(name);
    gtk_grid_attach(GTK_GRID(grid), app.burst[i], i % 15, i / 15, 1, 1);
  }
  gtk_box_pack_start(GTK_BOX(box), grid, FALSE, FALSE, 0);

  app.big = gtk_button_new_with_label("Grande");
  atk_object_set_name(gtk_widget_get_accessible(app.big), std::string(100 * 1024, 'a').c_str());
  gtk_box_pack_start(GTK_BOX(box), app.big, FALSE, FALSE, 0);
  app.vanish = gtk_button_new_with_label("Sumir");
  gtk_box_pack_start(GTK_BOX(box), app.vanish, FALSE, FALSE, 0);

  gtk_widget_show_all(app.window);
  g_timeout_add(500, report_ready, &app);
  g_unix_signal_add(SIGUSR1, start_burst, &app);
  g_unix_signal_add(SIGUSR2, start_vanish, &app);
  gtk_main();
  return 0;
}
