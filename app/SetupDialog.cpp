#include "app/SetupDialog.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <initializer_list>
#include <string>

#include "app/DialogParsing.h"

namespace tolmero {
namespace {

// Everything the signal handlers need while the dialog runs.
struct SetupDialog {
    LaunchSettings* settings = nullptr;
    std::uint32_t maxImageDimension = kDefaultMaxImageDimension;
    GMainLoop* loop = nullptr;
    GtkWidget* window = nullptr;
    GtkWidget* resolution = nullptr;  // GtkComboBoxText with an entry
    GtkWidget* samples = nullptr;     // GtkComboBoxText with an entry
    GtkWidget* fullscreen = nullptr;  // GtkCheckButton
    GtkWidget* problem = nullptr;     // GtkLabel, hidden until Start is refused
    GtkWidget* start = nullptr;
    GtkWidget* cancel = nullptr;
};

std::string comboText(GtkWidget* combo) {
    // For a combo box with an entry this is the entry's text, typed or chosen.
    gchar* text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(combo));
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

GtkEntry* comboEntry(GtkWidget* combo) { return GTK_ENTRY(gtk_bin_get_child(GTK_BIN(combo))); }

void finish(SetupDialog& dialog) { g_main_loop_quit(dialog.loop); }

void showProblem(SetupDialog& dialog, const DialogProblem& problem) {
    gchar* escaped = g_markup_escape_text(problem.message.c_str(), -1);
    const std::string markup = std::string("<span foreground=\"#c00000\">") + escaped + "</span>";
    g_free(escaped);
    gtk_label_set_markup(GTK_LABEL(dialog.problem), markup.c_str());
    gtk_widget_show(dialog.problem);

    // Put the cursor where the fix goes, with the text selected for retyping.
    GtkWidget* field = problem.field == DialogField::Samples ? dialog.samples : dialog.resolution;
    GtkEntry* entry = comboEntry(field);
    gtk_widget_grab_focus(GTK_WIDGET(entry));
    gtk_editable_select_region(GTK_EDITABLE(entry), 0, -1);
}

void pressStart(SetupDialog& dialog) {
    const DialogChoice choice{comboText(dialog.resolution), comboText(dialog.samples),
                              gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(dialog.fullscreen)) != FALSE};
    const LaunchSettings next = applyDialogChoice(*dialog.settings, choice);
    if (const DialogProblem problem = checkDialogSettings(next, dialog.maxImageDimension)) {
        showProblem(dialog, problem);
        return;
    }
    *dialog.settings = next;
    finish(dialog);
}

void onStartClicked(GtkButton*, gpointer data) { pressStart(*static_cast<SetupDialog*>(data)); }

void onCancelClicked(GtkButton*, gpointer data) { finish(*static_cast<SetupDialog*>(data)); }

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data) {
    // The close box cancels; the window is destroyed once the loop has ended.
    finish(*static_cast<SetupDialog*>(data));
    return TRUE;
}

gboolean onKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
    SetupDialog& dialog = *static_cast<SetupDialog*>(data);
    switch (event->keyval) {
        case GDK_KEY_Escape:
            finish(dialog);
            return TRUE;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter:
            // Enter presses the default button from anywhere, except on Cancel
            // itself, where it presses Cancel.
            if (gtk_window_get_focus(GTK_WINDOW(dialog.window)) == dialog.cancel) {
                finish(dialog);
            } else {
                pressStart(dialog);
            }
            return TRUE;
        default:
            return FALSE;
    }
}

GtkWidget* makeLabel(const char* text) {
    GtkWidget* label = gtk_label_new(text);
    gtk_widget_set_halign(label, GTK_ALIGN_START);
    return label;
}

GtkWidget* makeSizeCombo(std::initializer_list<const char*> entries, int selected) {
    GtkWidget* combo = gtk_combo_box_text_new_with_entry();
    for (const char* entry : entries) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), entry);
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), selected);
    GtkEntry* entry = comboEntry(combo);
    gtk_entry_set_width_chars(entry, 10);
    gtk_entry_set_activates_default(entry, TRUE);
    gtk_widget_set_hexpand(combo, TRUE);
    return combo;
}

void build(SetupDialog& dialog) {
    dialog.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* window = GTK_WINDOW(dialog.window);
    gtk_window_set_title(window, "QELM");
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_modal(window, TRUE);

    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(column), 12);
    gtk_container_add(GTK_CONTAINER(window), column);

    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
    gtk_box_pack_start(GTK_BOX(column), grid, FALSE, FALSE, 0);

    dialog.resolution = makeSizeCombo({"1280x720", "1920x1080"}, 1);
    dialog.samples = makeSizeCombo({"1x1", "2x2", "4x4", "8x8"}, 2);
    dialog.fullscreen = gtk_check_button_new();
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(dialog.fullscreen), TRUE);
    gtk_widget_set_halign(dialog.fullscreen, GTK_ALIGN_END);

    gtk_grid_attach(GTK_GRID(grid), makeLabel("Resolution"), 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), dialog.resolution, 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), makeLabel("Samples"), 0, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), dialog.samples, 1, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), makeLabel("Fullscreen"), 0, 2, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), dialog.fullscreen, 1, 2, 1, 1);

    dialog.problem = gtk_label_new(nullptr);
    gtk_widget_set_name(dialog.problem, "setup-problem");
    gtk_label_set_line_wrap(GTK_LABEL(dialog.problem), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(dialog.problem), 26);
    gtk_label_set_xalign(GTK_LABEL(dialog.problem), 0.0f);
    gtk_widget_set_no_show_all(dialog.problem, TRUE);
    gtk_box_pack_start(GTK_BOX(column), dialog.problem, FALSE, FALSE, 0);

    // Start is the large default button, Cancel the small one below it.
    dialog.start = gtk_button_new_with_label("Start");
    gtk_widget_set_size_request(dialog.start, -1, 56);
    gtk_widget_set_can_default(dialog.start, TRUE);
    gtk_box_pack_start(GTK_BOX(column), dialog.start, FALSE, FALSE, 0);
    gtk_window_set_default(window, dialog.start);

    dialog.cancel = gtk_button_new_with_label("Cancel");
    gtk_box_pack_start(GTK_BOX(column), dialog.cancel, FALSE, FALSE, 0);

    g_signal_connect(dialog.start, "clicked", G_CALLBACK(onStartClicked), &dialog);
    g_signal_connect(dialog.cancel, "clicked", G_CALLBACK(onCancelClicked), &dialog);
    g_signal_connect(dialog.window, "delete-event", G_CALLBACK(onDelete), &dialog);
    g_signal_connect(dialog.window, "key-press-event", G_CALLBACK(onKeyPress), &dialog);
}

}  // namespace

bool showSetupDialog(LaunchSettings& settings, std::uint32_t maxImageDimension) {
    // GTK would switch the whole process to the user's locale, which changes
    // how the rest of the program prints and reads numbers: keep "C".
    static bool localeKept = false;
    if (!localeKept) {
        gtk_disable_setlocale();
        localeKept = true;
    }
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "tolmero: cannot show the setup dialog: no graphical display could be opened\n");
        return false;
    }

    SetupDialog dialog;
    dialog.settings = &settings;
    dialog.maxImageDimension = maxImageDimension;
    dialog.loop = g_main_loop_new(nullptr, FALSE);
    build(dialog);

    gtk_widget_show_all(dialog.window);
    gtk_window_present(GTK_WINDOW(dialog.window));
    g_main_loop_run(dialog.loop);

    gtk_widget_destroy(dialog.window);
    g_main_loop_unref(dialog.loop);
    // Let the display see the window go before the production's own opens.
    while (gtk_events_pending()) gtk_main_iteration();
    gdk_display_flush(gdk_display_get_default());
    return true;
}

}  // namespace tolmero
