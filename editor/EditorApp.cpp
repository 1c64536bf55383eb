#include "editor/EditorApp.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/CameraConstant.h"
#include "app/Clock.h"
#include "app/FrameLoop.h"
#include "app/LaunchSettings.h"
#include "app/ProductionPasses.h"
#include "editor/EditSession.h"
#include "editor/EditorAudio.h"
#include "editor/EditorDrawing.h"
#include "editor/Timeline.h"
#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "render/TextRenderer.h"
#include "tracks/TrackSet.h"

namespace tolmero {

namespace {

// Virtual-key codes the editor reads (render/AppWindow.h records them).
constexpr int kKeyBackspace = 0x08, kKeyTab = 0x09, kKeyEnter = 0x0D, kKeyShift = 0x10, kKeyControl = 0x11;
constexpr int kKeySpace = 0x20, kKeyPageUp = 0x21, kKeyPageDown = 0x22, kKeyEnd = 0x23, kKeyHome = 0x24;
constexpr int kKeyLeft = 0x25, kKeyUp = 0x26, kKeyRight = 0x27, kKeyDown = 0x28;
constexpr int kKeyInsert = 0x2D, kKeyDelete = 0x2E, kKeyF12 = 0x7B, kKeyMinus = 0xBD, kKeyPeriod = 0xBE;

// The track panel's place in clip space and the world view's colours.
const ClipRect kPanel{-0.98f, -0.97f, 0.98f, -0.3f};
constexpr float kRowFractions[] = {2.0f, 3.0f, 4.0f, 6.0f, 8.0f, 16.0f};
constexpr double kAutosaveDelaySeconds = 0.5;

std::u16string utf16(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::string format(const char* pattern, double a) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, a);
    return text;
}

bool isSpatial(const Track& keys) {
    for (const TrackKey& k : keys)
        if (k.value.z != 0.0f) return true;
    return false;
}

// Times where keys of a track share a time: its cuts and jumps, in order.
std::vector<float> cutTimes(const Track& keys) {
    std::vector<float> times;
    for (const auto& [time, kinds] : sharedTimes(keys)) times.push_back(time);
    return times;
}

// A free camera flown with the keyboard and the right mouse button.
struct FlyCamera {
    float x = 0.0f, y = 0.1f, z = 0.0f;
    float yaw = 0.0f, pitch = 0.0f;
};

class Editor {
public:
    Editor(const EditOptions& options, LaunchSettings& settings, const ScreenshotWriter& writeScreenshot)
        : options_(options),
          settings_(settings),
          writeScreenshot_(writeScreenshot),
          session_(EditSession::forProduction(trackSet())),
          passes_(settings),
          loop_(settings, trackSet(), passes_) {
        autosavePath_ = options.autosave.empty() ? options.tracks + ".autosave" : options.autosave;
        session_.selectTrack("Camera position");
        t_ = options.beat;
        const Track& cut = session_.keys("Camera position");
        cuts_ = cutTimes(cut);
        scenes_ = cutTimes(session_.keys("scene"));
        if (!session_.keys("scene").empty()) scenes_.push_back(session_.keys("scene").back().time);
        for (const auto& [name, keys] : trackSet().keys())
            if (!keys.empty()) names_.push_back(name);
    }

    int run(const std::string& musicPath) {
        loop_.startUp();
        loop_.setCameraOverride([this](CameraConstant& camera) { overrideCamera(camera); });
        std::string why;
        if (!audio_.open(musicPath, why)) std::fprintf(stderr, "tolmero: the editor runs without music: %s\n", why.c_str());
        audio_.seek(t_ * 60.0 / kBeatsPerMinute);
        message_ = audio_.hasSound() ? "ready" : "ready (no sound)";
        std::fprintf(stderr, "tolmero: editor ready at beat %.3f%s\n", t_, audio_.hasSound() ? "" : ", no sound");
        auto last = std::chrono::steady_clock::now();
        while (passes_.endFrame()) {
            const auto now = std::chrono::steady_clock::now();
            frameMs_ = 0.9 * frameMs_ + 0.1 * std::chrono::duration<double, std::milli>(now - last).count();
            last = now;
            handleInput();
            // Every message goes to standard error as well, once, so that a
            // session can be followed (and driven) from outside.
            if (message_ != printed_) {
                printed_ = message_;
                std::fprintf(stderr, "tolmero: %s\n", message_.c_str());
            }
            advanceClock();
            const FrameState state = loop_.renderFrame(t_);
            drawOverlay(state);
            autosave(false);
        }
        autosave(true);
        std::fprintf(stderr, "tolmero: editor closed at beat %.3f, %.1f ms a frame%s\n", t_, frameMs_,
                     session_.hasUnsavedChanges() ? ", unsaved edits kept in the autosave" : "");
        if (session_.hasUnsavedChanges()) std::fprintf(stderr, "tolmero: autosave: %s\n", autosavePath_.c_str());
        releaseObject(passes_.resources().linearSampler);
        return 0;
    }

private:
    // ---- time --------------------------------------------------------------

    void seekTo(float t) {
        t_ = t;
        message_ = "beat " + format("%.3f", t);
        audio_.seek(std::max(0.0, static_cast<double>(t) * 60.0 / kBeatsPerMinute));
    }

    void advanceClock() {
        if (!audio_.playing()) return;
        float t = beatsFromSeconds(audio_.positionSeconds());
        if (loopRange_.on && loopRange_.valid() && (t >= loopRange_.end || t < loopRange_.begin - 1.0f)) {
            t = loopRange_.begin;
            audio_.seek(t * 60.0 / kBeatsPerMinute);
        }
        t_ = t;
        if (audio_.durationSeconds() > 0.0 && audio_.positionSeconds() >= audio_.durationSeconds()) audio_.pause();
    }

    float rowUnit() const { return 1.0f / kRowFractions[rowChoice_]; }

    // ---- input -------------------------------------------------------------

    void handleInput() {
        InputState& in = currentRenderer()->window.input;
        // A modifier counts when it is held now or was held when a key of
        // this frame went down.
        std::uint8_t modifiers = 0;
        for (int key = 0; key < 256; ++key)
            if (in.keyPressed[key]) modifiers |= in.keyModifiers[key];
        const bool shift = in.keyDown[kKeyShift] || (modifiers & 1);
        const bool control = in.keyDown[kKeyControl] || (modifiers & 2);
        auto pressed = [&](int key) { return in.keyPressed[key] != 0; };

        if (typing_) {
            handleTyping(in);
        } else {
            if (pressed(kKeySpace)) {
                audio_.playing() ? audio_.pause() : audio_.play();
                message_ = audio_.playing() ? "playing" : "paused";
            }
            const int direction = pressed(kKeyRight) ? 1 : pressed(kKeyLeft) ? -1 : 0;
            if (direction) {
                const float unit = control ? rowUnit() : shift ? kBeatsPerBar : 1.0f;
                seekTo(stepOnGrid(t_, unit, direction));
            }
            if (pressed(kKeyPageUp) || pressed(kKeyPageDown)) {
                std::vector<float> times;
                for (const TrackKey& k : session_.keys()) times.push_back(k.time);
                seekTo(nextTime(times, t_, pressed(kKeyPageDown) ? 1 : -1));
            }
            if (pressed(kKeyHome) || pressed(kKeyEnd)) seekTo(nextTime(cuts_, t_, pressed(kKeyEnd) ? 1 : -1));
            if (control && (pressed(kKeyUp) || pressed(kKeyDown))) {
                // Nudge the selected keys by a hundredth of the panel's range.
                report(session_.moveSelected(0.0f, component_, (view_.v1 - view_.v0) * 0.01f * (pressed(kKeyUp) ? 1.0f : -1.0f)));
            } else if (pressed(kKeyUp) || pressed(kKeyDown) || pressed(kKeyTab)) {
                cycleTrack(pressed(kKeyUp) ? -1 : 1);
            }
            if (pressed('K')) {
                session_.selectKey(session_.nearestKey(t_), shift);
                message_ = session_.selection().empty() ? "no keys" : "selected the key nearest the time";
            }
            if (pressed('R')) {
                rowChoice_ = (rowChoice_ + 1) % static_cast<int>(std::size(kRowFractions));
                message_ = "row: 1/" + format("%g", kRowFractions[rowChoice_]) + " beat";
            }
            if (pressed('L')) toggleLoop();
            if (pressed('1') || pressed('2') || pressed('3')) {
                component_ = pressed('1') ? 1 : pressed('2') ? 2 : 3;
                message_ = std::string("component ") + "xyz"[component_ - 1];
            }
            if (pressed('V')) toggleView();
            if (control && pressed('Z')) report(shift ? session_.redo() : session_.undo());
            if (control && pressed('Y')) report(session_.redo());
            if (control && pressed('S')) save();
            if (!control && (pressed(kKeyInsert) || pressed('I'))) report(session_.insertKey(t_));
            if (pressed(kKeyDelete)) report(session_.deleteSelected());
            if (!control && pressed('C')) report(session_.toggleCorner());
            if (pressed(kKeyEnter)) startTyping();
            if (pressed(kKeyF12)) screenshot();
        }
        handleMouse(in, control, shift);
        if (fly_) flyCamera(in);
    }

    void cycleTrack(int direction) {
        auto it = std::find(names_.begin(), names_.end(), session_.track());
        std::size_t i = it == names_.end() ? 0 : static_cast<std::size_t>(it - names_.begin());
        i = (i + names_.size() + static_cast<std::size_t>(direction + static_cast<int>(names_.size()))) % names_.size();
        session_.selectTrack(names_[i]);
        component_ = isSpatial(session_.keys()) ? component_ : 2;
        message_ = "track " + names_[i];
    }

    void toggleLoop() {
        if (loopRange_.on) {
            loopRange_ = {};
            loopStart_ = false;
            message_ = "loop off";
        } else if (!loopStart_) {
            loopRange_.begin = t_;
            loopStart_ = true;
            message_ = "loop from " + format("%.2f", t_) + ", L again at its end";
        } else {
            loopRange_.end = t_;
            if (loopRange_.end < loopRange_.begin) std::swap(loopRange_.begin, loopRange_.end);
            loopRange_.on = loopRange_.valid();
            loopStart_ = false;
            message_ = loopRange_.on ? "looping " + format("%.2f", loopRange_.begin) + " .. " +
                                           format("%.2f", loopRange_.end)
                                     : "loop off";
        }
    }

    void toggleView() {
        fly_ = !fly_;
        if (fly_) {
            const TrackValue eye = trackSet().evaluate("Camera position", t_);
            flyCamera_ = {eye.x, eye.y, eye.z, trackSet().evaluate("Camera x angle", t_).y,
                          trackSet().evaluate("Camera y angle", t_).y};
        }
        message_ = fly_ ? "free view: W A S D Q E, right drag to look" : "the production's camera";
    }

    void flyCamera(const InputState& in) {
        const float speed = 0.004f * (in.keyDown[kKeyShift] ? 5.0f : 1.0f);
        const Matrix4 frame = cameraFrame(flyCamera_.x, flyCamera_.y, flyCamera_.z, flyCamera_.pitch, flyCamera_.yaw);
        const float forward[3] = {-frame.at(2, 0), -frame.at(2, 1), -frame.at(2, 2)};
        const float right[3] = {frame.at(0, 0), frame.at(0, 1), frame.at(0, 2)};
        auto move = [&](const float* d, float s) {
            flyCamera_.x += d[0] * s;
            flyCamera_.y += d[1] * s;
            flyCamera_.z += d[2] * s;
        };
        if (in.keyDown['W']) move(forward, speed);
        if (in.keyDown['S'] && !in.keyDown[kKeyControl]) move(forward, -speed);
        if (in.keyDown['D']) move(right, speed);
        if (in.keyDown['A']) move(right, -speed);
        if (in.keyDown['E']) flyCamera_.y += speed;
        if (in.keyDown['Q']) flyCamera_.y -= speed;
        if (in.rightDown) {
            if (looking_) {
                flyCamera_.yaw += 0.005f * static_cast<float>(in.mouseX - lookX_);
                flyCamera_.pitch =
                    std::clamp(flyCamera_.pitch - 0.005f * static_cast<float>(in.mouseY - lookY_), -1.5f, 1.5f);
            }
            looking_ = true;
            lookX_ = in.mouseX;
            lookY_ = in.mouseY;
        } else {
            looking_ = false;
        }
    }

    void overrideCamera(CameraConstant& camera) {
        if (!fly_) return;
        camera.cameraToWorld = cameraFrame(flyCamera_.x, flyCamera_.y, flyCamera_.z, flyCamera_.pitch, flyCamera_.yaw);
        camera.worldToCamera = invert(camera.cameraToWorld);
    }

    // Mouse: in the panel a click picks the nearest key under the pointer
    // (Ctrl adds to the selection) or, away from keys, moves the time there;
    // dragging moves the picked keys (Shift: value only) or scrubs.
    void handleMouse(const InputState& in, bool control, bool shift) {
        const float cx = 2.0f * static_cast<float>(in.mouseX) / static_cast<float>(settings_.width) - 1.0f;
        const float cy = 1.0f - 2.0f * static_cast<float>(in.mouseY) / static_cast<float>(settings_.height);
        const bool inPanel = cx >= kPanel.left && cx <= kPanel.right && cy >= kPanel.bottom && cy <= kPanel.top;
        if (in.wheel != 0 && inPanel) span_ = std::clamp(span_ * (in.wheel > 0 ? 0.8f : 1.25f), 1.0f, 480.0f);

        if (in.leftPressed && inPanel) {
            const std::size_t hit = keyUnder(cx, cy);
            if (hit < session_.keys().size()) {
                session_.selectKey(hit, control);
                drag_ = Drag::Keys;
                message_ = "key " + std::to_string(hit) + " of " + session_.track();
            } else {
                if (!control) session_.selectNone();
                drag_ = Drag::Scrub;
            }
            dragX_ = cx;
            dragY_ = cy;
        }
        if (!in.leftDown) drag_ = Drag::None;
        if (drag_ == Drag::Scrub) {
            seekTo(roundTrackNumber(view_.t0 + (cx - kPanel.left) / (kPanel.right - kPanel.left) * (view_.t1 - view_.t0)));
        } else if (drag_ == Drag::Keys && (cx != dragX_ || cy != dragY_)) {
            const float dt = shift ? 0.0f : (cx - dragX_) / (kPanel.right - kPanel.left) * (view_.t1 - view_.t0);
            const float dv = (cy - dragY_) / (kPanel.top - kPanel.bottom) * (view_.v1 - view_.v0);
            EditResult r = session_.moveSelected(dt, component_, dv, true);
            if (!r.applied && dt != 0.0f) r = session_.moveSelected(0.0f, component_, dv, true);
            if (!r.applied) r = session_.moveSelected(dt, component_, 0.0f, true);
            report(r);
            dragX_ = cx;
            dragY_ = cy;
        }
    }

    std::size_t keyUnder(float cx, float cy) const {
        const Track& keys = session_.keys();
        std::size_t best = keys.size();
        float bestDistance = 1e9f;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const Point3 p = project(view_.matrix, {keys[i].time, trackComponent(keys[i].value, component_ - 1), 0.0f});
            const float dx = (p[0] - cx) * static_cast<float>(settings_.width);
            const float dy = (p[1] - cy) * static_cast<float>(settings_.height);
            const float d = dx * dx + dy * dy;
            if (d < bestDistance && d < 12.0f * 12.0f * 4.0f) {
                best = i;
                bestDistance = d;
            }
        }
        return best;
    }

    void startTyping() {
        if (session_.selection().empty()) {
            message_ = "select a key to type its value";
            return;
        }
        typing_ = true;
        typed_.clear();
        typingTime_ = false;
        message_ = "type value: ";
    }

    void handleTyping(const InputState& in) {
        for (int key = '0'; key <= '9'; ++key)
            if (in.keyPressed[key]) typed_ += static_cast<char>(key);
        if (in.keyPressed[kKeyPeriod]) typed_ += '.';
        if (in.keyPressed[kKeyMinus]) typed_ += '-';
        if (in.keyPressed[kKeyBackspace] && !typed_.empty()) typed_.pop_back();
        if (in.keyPressed['T']) typingTime_ = !typingTime_;
        message_ = std::string("type ") + (typingTime_ ? "time" : "value") + ": " + typed_;
        if (in.keyPressed[kKeyEnter]) {
            typing_ = false;
            char* end = nullptr;
            const float value = std::strtof(typed_.c_str(), &end);
            if (typed_.empty() || *end != '\0') {
                message_ = "not a number: " + typed_;
                return;
            }
            const KeyField field = typingTime_ ? KeyField::Time : static_cast<KeyField>(component_);
            report(session_.setField(*session_.selection().begin(), field, value));
        }
    }

    void report(const EditResult& r) { message_ = session_.track() + ": " + r.message; }

    void save() {
        std::string message;
        if (session_.saveInto(options_.tracks, options_.tracks, message)) {
            session_.markSaved();
            std::remove(autosavePath_.c_str());
        }
        message_ = message;
    }

    // The autosave follows every change within half a second, and at the end.
    void autosave(bool now) {
        if (session_.revision() == autosavedRevision_) return;
        const auto clock = std::chrono::steady_clock::now();
        if (!now && std::chrono::duration<double>(clock - changeSeen_).count() < kAutosaveDelaySeconds) {
            if (session_.revision() != pendingRevision_) {
                pendingRevision_ = session_.revision();
                changeSeen_ = clock;
            }
            return;
        }
        if (!session_.hasUnsavedChanges()) {
            autosavedRevision_ = session_.revision();
            return;
        }
        std::string message;
        if (!session_.saveInto(options_.tracks, autosavePath_, message)) {
            std::fprintf(stderr, "tolmero: autosave failed: %s\n", message.c_str());
        }
        autosavedRevision_ = session_.revision();
    }

    void screenshot() {
        if (options_.screenshot.empty() || !writeScreenshot_) {
            message_ = "no --screenshot file";
            return;
        }
        pendingScreenshot_ = true;
    }

    // ---- drawing -----------------------------------------------------------

    struct PanelView {
        float t0 = 0, t1 = 1, v0 = 0, v1 = 1;
        Matrix4 matrix;
    };

    void drawOverlay(const FrameState& state) {
        gpu::ID3D11Texture2D* target = backBuffer();
        const Track& keys = session_.keys();
        const int c = component_ - 1;

        // The world: ground grid, the camera's and the character's paths and
        // keys, and where each is now.
        const CameraConstant& camera = loop_.camera();
        const Matrix4 world = multiplyRowMajor(camera.worldToCamera, camera.cameraToClip);
        drawGroundGrid(0.5f, 0.05f, 0.0f, world, target);
        for (const char* path : {"Camera position", "Sprite position"}) {
            const std::vector<TrackKey>& samples = trackSet().samples(path);
            std::vector<Point4> curve;
            curve.reserve(samples.size() / 4 + 1);
            for (std::size_t i = 0; i < samples.size(); i += 4)
                curve.push_back({samples[i].value.x, samples[i].value.y, samples[i].value.z, 1.0f});
            drawWorldCurve(curve, world, target);
            std::vector<Point4> points;
            for (const TrackKey& k : session_.keys(path)) points.push_back({k.value.x, k.value.y, k.value.z, k.value.w});
            drawWorldMarkers(points, world, target);
            const TrackValue now = trackSet().evaluate(path, t_);
            drawMarkers({{now.x, now.y, now.z}}, world, target);
        }

        // The panel: time window around t, value range of what shows.
        view_.t0 = t_ - span_ * 0.5f;
        view_.t1 = t_ + span_ * 0.5f;
        const std::vector<TrackKey>& samples = trackSet().samples(session_.track());
        float lo = 1e30f, hi = -1e30f;
        std::vector<Point3> curve;
        const std::size_t stride = std::max<std::size_t>(1, samples.size() / 4000);
        for (std::size_t i = 0; i < samples.size(); i += stride) {
            const TrackKey& s = samples[i];
            if (s.time < view_.t0 - 1.0f || s.time > view_.t1 + 1.0f) continue;
            const float v = trackComponent(s.value, c);
            curve.push_back({s.time, v, 0.0f});
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        for (const TrackKey& k : keys) {
            if (k.time < view_.t0 || k.time > view_.t1) continue;
            lo = std::min(lo, trackComponent(k.value, c));
            hi = std::max(hi, trackComponent(k.value, c));
        }
        if (!(hi > lo)) {
            lo = (lo < 1e29f ? lo : 0.0f) - 1.0f;
            hi = lo + 2.0f;
        }
        const float pad = (hi - lo) * 0.1f;
        view_.v0 = lo - pad;
        view_.v1 = hi + pad;
        view_.matrix = panelView(view_.t0, view_.t1, view_.v0, view_.v1, kPanel);

        const float w = static_cast<float>(settings_.width), h = static_cast<float>(settings_.height);
        const Viewport viewport{static_cast<std::uint32_t>((kPanel.left + 1.0f) * 0.5f * w),
                                static_cast<std::uint32_t>((1.0f - kPanel.top) * 0.5f * h),
                                static_cast<std::uint32_t>((kPanel.right - kPanel.left) * 0.5f * w),
                                static_cast<std::uint32_t>((kPanel.top - kPanel.bottom) * 0.5f * h)};
        drawPanelBackground(viewport, target);
        const BeatLines beats = beatLines(view_.t0, view_.t1);
        std::vector<float> fences;
        for (float s : scenes_)
            if (s >= view_.t0 && s <= view_.t1) fences.push_back(s);
        if (loopRange_.on) fences.insert(fences.end(), {loopRange_.begin, loopRange_.end});
        drawTimeGrid(beats.first, beats.count, fences, panelView(view_.t0, view_.t1, 0.0f, 1.0f, ClipRect{}), viewport,
                     target);
        drawCurve(curve, view_.matrix, target);
        drawCurve({{t_, view_.v0, 0.0f}, {t_, view_.v1, 0.0f}}, view_.matrix, target);

        std::vector<Point4> markers;
        std::vector<Point3> selected;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const TrackKey& k = keys[i];
            if (k.time < view_.t0 - 1.0f || k.time > view_.t1 + 1.0f) continue;
            markers.push_back({k.time, trackComponent(k.value, c), 0.0f, k.value.w});
            if (session_.selection().count(i)) selected.push_back({k.time, trackComponent(k.value, c), 0.0f});
        }
        drawWorldMarkers(markers, view_.matrix, target);
        drawMarkers(selected, view_.matrix, target);

        // Text: the time and the transport, the track, the selected key, the message.
        const int bar = static_cast<int>(std::floor(t_ / kBeatsPerBar)) + 1;
        const float inBar = t_ - (static_cast<float>(bar) - 1.0f) * kBeatsPerBar + 1.0f;
        std::string top = "beat " + format("%.3f", t_) + "  bar " + std::to_string(bar) + " " + format("%.2f", inBar) +
                          "  scene " + std::to_string(state.scene) + (audio_.playing() ? "  playing" : "  paused") +
                          "  row 1/" + format("%g", kRowFractions[rowChoice_]) +
                          (loopRange_.on ? "  loop " + format("%.2f", loopRange_.begin) + "-" + format("%.2f", loopRange_.end) : "") +
                          (fly_ ? "  free view" : "") + "  " + format("%.0f", frameMs_) + " ms";
        drawText(utf16(top), 0.01f, 0.01f, 0.03f, target);
        std::string track = session_.track() + (isSpatial(keys) ? std::string(" ") + "xyz"[c] : std::string()) + "  " +
                            std::to_string(keys.size()) + " keys";
        if (!session_.selection().empty()) {
            const std::size_t i = *session_.selection().begin();
            const TrackKey& k = keys[i];
            track += "  key " + std::to_string(i) + " at " + format("%.4g", k.time) + ": " +
                     format("%.6g", trackComponent(k.value, c)) + (k.value.w > 2.5f ? " corner" : " smooth");
        }
        if (typing_) track += "  type " + std::string(typingTime_ ? "time" : "value") + ": " + typed_ + "_";
        drawText(utf16(track), 0.01f, 0.09f, 0.028f, target);
        drawText(utf16(message_ + (session_.hasUnsavedChanges() ? "  (unsaved)" : "")), 0.01f, 0.05f, 0.026f, target);

        if (pendingScreenshot_) {
            pendingScreenshot_ = false;
            std::vector<std::uint8_t> rgba;
            std::uint32_t width = 0, height = 0;
            if (readBackBuffer(rgba, width, height) && writeScreenshot_(options_.screenshot, rgba, width, height)) {
                message_ = "wrote " + options_.screenshot;
            printed_ = message_;
            } else {
                message_ = "cannot write " + options_.screenshot;
            }
            std::fprintf(stderr, "tolmero: %s\n", message_.c_str());
        }
    }

    enum class Drag { None, Keys, Scrub };

    const EditOptions& options_;
    LaunchSettings& settings_;
    const ScreenshotWriter& writeScreenshot_;
    EditSession session_;
    ProductionPasses passes_;
    FrameLoop loop_;
    EditorAudio audio_;
    std::string autosavePath_;
    std::vector<std::string> names_;
    std::vector<float> cuts_;
    std::vector<float> scenes_;

    float t_ = 0.0f;
    float span_ = 16.0f;
    int rowChoice_ = 2;
    int component_ = 1;
    LoopRange loopRange_;
    bool loopStart_ = false;
    bool fly_ = false;
    FlyCamera flyCamera_;
    bool looking_ = false;
    int lookX_ = 0, lookY_ = 0;
    PanelView view_;
    Drag drag_ = Drag::None;
    float dragX_ = 0.0f, dragY_ = 0.0f;
    bool typing_ = false;
    bool typingTime_ = false;
    std::string typed_;
    std::string message_;
    std::string printed_;
    double frameMs_ = 0.0;
    bool pendingScreenshot_ = false;
    std::uint64_t autosavedRevision_ = 0;
    std::uint64_t pendingRevision_ = 0;
    std::chrono::steady_clock::time_point changeSeen_{};
};

}  // namespace

int runEdit(const EditOptions& options, const ScreenshotWriter& writeScreenshot) {
    MusicChoice music;
    if (!chooseCommandMusic(options.music, music)) return kExitBadInput;
    LaunchSettings& settings = launchSettings();
    if (const int code = prepareLaunch(options.display, settings)) return code;
    settings.windowed = 1;
    settings.started = 1;
    {
        std::string text;
        std::string error;
        if (!readTextFile(options.tracks, text, error)) {
            std::fprintf(stderr, "tolmero: %s (saving splices the edits into it; name it with --tracks)\n",
                         error.c_str());
            return kExitBadInput;
        }
    }
    const PixelSize window = windowSize(settings);
    Renderer* renderer = createRenderer(window.width, window.height, 1, "Tolmero editor");
    if (!renderer) return kExitNoDevice;
    std::fprintf(stderr, "tolmero: editing %ux%u with %dx%d supersampling on %s; saving into %s\n", window.width,
                 window.height, settings.supersample.x, settings.supersample.y, renderer->device->GetAdapterName(),
                 options.tracks.c_str());
    Editor editor(options, settings, writeScreenshot);
    return editor.run(music.path.empty() ? std::string(kMusicFileName) : music.path.string());
}

}  // namespace tolmero
