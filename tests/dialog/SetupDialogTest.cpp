// The dialog end to end on an X display (Xvfb): the dialog runs on this
// thread as it does in the program, while a second thread drives it with
// xdotool through the X server's keyboard.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/SetupDialog.h"

namespace tolmero {
namespace {

// Every step of a run is bounded: the driver gives up after this many
// seconds, and the dialog is closed a little later if it is still open.
constexpr int kDriverTimeoutSeconds = 15;
constexpr int kWatchdogSeconds = 20;

struct DialogRun {
    LaunchSettings settings;
    bool shown = false;
    int driverStatus = -1;
    bool watchdogClosed = false;
    std::vector<std::string> problems;  // every message the dialog displayed, in order
};

struct Observer {
    DialogRun* run = nullptr;
    bool closeAtOnce = false;  // press the close box as soon as the dialog is up
    bool observed = false;
};

GtkWindow* findDialogWindow() {
    GtkWindow* found = nullptr;
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* item = toplevels; item; item = item->next) {
        GtkWindow* window = GTK_WINDOW(item->data);
        const gchar* title = gtk_window_get_title(window);
        if (title && std::string(title) == "QELM" && gtk_widget_get_visible(GTK_WIDGET(window))) found = window;
    }
    g_list_free(toplevels);
    return found;
}

GtkWidget* findNamed(GtkWidget* widget, const char* name) {
    if (std::string(gtk_widget_get_name(widget)) == name) return widget;
    if (!GTK_IS_CONTAINER(widget)) return nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    GtkWidget* found = nullptr;
    for (GList* item = children; item && !found; item = item->next) found = findNamed(GTK_WIDGET(item->data), name);
    g_list_free(children);
    return found;
}

void onProblemChanged(GObject* label, GParamSpec*, gpointer data) {
    const gchar* text = gtk_label_get_text(GTK_LABEL(label));
    if (text && *text) static_cast<Observer*>(data)->run->problems.emplace_back(text);
}

// Runs once, first thing inside the dialog's loop (high priority, before any
// input is handled): hooks the problem label so that no message is missed
// however fast the keys arrive.
gboolean observe(gpointer data) {
    Observer& observer = *static_cast<Observer*>(data);
    observer.observed = true;
    GtkWindow* window = findDialogWindow();
    if (!window) return G_SOURCE_REMOVE;
    observer.run->shown = true;
    if (GtkWidget* label = findNamed(GTK_WIDGET(window), "setup-problem")) {
        g_signal_connect(label, "notify::label", G_CALLBACK(onProblemChanged), &observer);
    }
    if (observer.closeAtOnce) gtk_window_close(window);
    return G_SOURCE_REMOVE;
}

gboolean watchdog(gpointer data) {
    if (GtkWindow* window = findDialogWindow()) {
        static_cast<Observer*>(data)->run->watchdogClosed = true;
        gtk_window_close(window);
    }
    return G_SOURCE_CONTINUE;
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Shows the dialog while `keys` (xdotool commands joined by &&) runs once the
// dialog is visible and has the keyboard focus.
DialogRun runDialog(const std::string& keys, std::uint32_t maxImageDimension = kDefaultMaxImageDimension,
                    bool closeAtOnce = false) {
    DialogRun run;
    Observer observer{&run, closeAtOnce};
    const guint observing = g_idle_add_full(G_PRIORITY_HIGH, observe, &observer, nullptr);
    const guint guarding = g_timeout_add_seconds(kWatchdogSeconds, watchdog, &observer);

    std::thread driver;
    if (!keys.empty()) {
        const std::string script = "w=$(xdotool search --sync --onlyvisible --name '^QELM$' | head -n 1) && "
                                   "[ -n \"$w\" ] && xdotool windowfocus --sync \"$w\" && " + keys;
        const std::string command =
            "timeout " + std::to_string(kDriverTimeoutSeconds) + " sh -c " + shellQuoted(script);
        driver = std::thread([command, &run] { run.driverStatus = std::system(command.c_str()); });
    }
    const bool opened = showSetupDialog(run.settings, maxImageDimension);
    if (driver.joinable()) driver.join();
    if (!observer.observed) g_source_remove(observing);
    g_source_remove(guarding);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(run.shown) << "no visible window titled QELM";
    EXPECT_FALSE(run.watchdogClosed) << "the dialog was still open after " << kWatchdogSeconds << " s";
    if (!keys.empty()) {
        EXPECT_EQ(run.driverStatus, 0) << "xdotool failed: " << keys;
    }
    return run;
}

void expectUnchanged(const LaunchSettings& settings) {
    const LaunchSettings initial;
    EXPECT_EQ(settings.started, 0);
    EXPECT_EQ(settings.width, initial.width);
    EXPECT_EQ(settings.height, initial.height);
    EXPECT_EQ(settings.supersample.x, initial.supersample.x);
    EXPECT_EQ(settings.supersample.y, initial.supersample.y);
    EXPECT_EQ(settings.windowed, initial.windowed);
}

TEST(SetupDialog, EnterStartsWithTheDefaults) {
    const DialogRun run = runDialog("xdotool key Return");
    EXPECT_EQ(run.settings.started, 1);
    EXPECT_EQ(run.settings.width, 1920);
    EXPECT_EQ(run.settings.height, 1080);
    EXPECT_EQ(run.settings.supersample.x, 4);
    EXPECT_EQ(run.settings.supersample.y, 4);
    EXPECT_EQ(run.settings.windowed, 0);
    EXPECT_TRUE(run.problems.empty());
}

TEST(SetupDialog, EscapeAndTheCloseBoxCancel) {
    expectUnchanged(runDialog("xdotool key Escape").settings);

    const DialogRun closed = runDialog("", kDefaultMaxImageDimension, /*closeAtOnce=*/true);
    EXPECT_TRUE(closed.shown);
    expectUnchanged(closed.settings);

    // Cancel has the focus after six tabs; Enter there presses Cancel, not Start.
    expectUnchanged(runDialog("xdotool key Tab Tab Tab Tab Tab Tab Return").settings);
}

TEST(SetupDialog, TypedResolutionAndUncheckedBoxGiveAWindow) {
    // Four tabs: the resolution list's button, the samples field, its button, the box.
    const DialogRun run =
        runDialog("xdotool key ctrl+a && xdotool type 2560x1440 && xdotool key Tab Tab Tab Tab space Return");
    EXPECT_EQ(run.settings.started, 1);
    EXPECT_EQ(run.settings.width, 2560);
    EXPECT_EQ(run.settings.height, 1440);
    EXPECT_EQ(run.settings.supersample.x, 4);
    EXPECT_EQ(run.settings.windowed, 1);
}

TEST(SetupDialog, SamplesChosenFromTheListOrTyped) {
    // Down in the samples field steps from "4x4" to the next entry, "8x8".
    const DialogRun chosen = runDialog("xdotool key Tab Tab Down Return");
    EXPECT_EQ(chosen.settings.started, 1);
    EXPECT_EQ(chosen.settings.supersample.x, 8);
    EXPECT_EQ(chosen.settings.supersample.y, 8);

    const DialogRun typed = runDialog("xdotool key Tab Tab ctrl+a && xdotool type 2x3 && xdotool key Return");
    EXPECT_EQ(typed.settings.supersample.x, 2);
    EXPECT_EQ(typed.settings.supersample.y, 3);
    EXPECT_EQ(typed.settings.width, 1920);
}

TEST(SetupDialog, ClearedResolutionFallsBackToTheRecord) {
    const DialogRun run = runDialog("xdotool key ctrl+a BackSpace Return");
    EXPECT_EQ(run.settings.started, 1);
    EXPECT_EQ(run.settings.width, 1280);
    EXPECT_EQ(run.settings.height, 720);
}

TEST(SetupDialog, ZeroWidthKeepsTheDialogOpenUntilFixed) {
    const DialogRun run = runDialog(
        "xdotool key ctrl+a && xdotool type 0x720 && xdotool key Return && "
        "xdotool key ctrl+a && xdotool type 1280x720 && xdotool key Return");
    ASSERT_EQ(run.problems.size(), 1u);
    EXPECT_NE(run.problems[0].find("0x720"), std::string::npos) << run.problems[0];
    EXPECT_EQ(run.settings.started, 1);
    EXPECT_EQ(run.settings.width, 1280);
    EXPECT_EQ(run.settings.height, 720);
}

TEST(SetupDialog, RenderSizeBeyondTheDeviceIsRefused) {
    // 1920 x 4 = 7680 exceeds a 4096 limit. The refusal puts the cursor in the
    // samples field with its text selected, so typing replaces it.
    const DialogRun run = runDialog("xdotool key Return && xdotool type 2x2 && xdotool key Return", 4096);
    ASSERT_EQ(run.problems.size(), 1u);
    EXPECT_NE(run.problems[0].find("7680x4320"), std::string::npos) << run.problems[0];
    EXPECT_NE(run.problems[0].find("4096"), std::string::npos) << run.problems[0];
    EXPECT_EQ(run.settings.started, 1);
    EXPECT_EQ(run.settings.supersample.x, 2);
    EXPECT_EQ(run.settings.supersample.y, 2);
}

TEST(SetupDialog, CancelAfterARefusalLeavesTheRecordUntouched) {
    const DialogRun run = runDialog("xdotool key ctrl+a && xdotool type -- -5x3 && xdotool key Return Escape");
    ASSERT_EQ(run.problems.size(), 1u);
    EXPECT_NE(run.problems[0].find("-5x3"), std::string::npos) << run.problems[0];
    expectUnchanged(run.settings);
}

}  // namespace
}  // namespace tolmero
