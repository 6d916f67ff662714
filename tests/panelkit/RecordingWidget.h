// A widget that logs every operation the panel routes to it, and paints
// itself one solid colour.
#pragma once

#include "Widget.h"

#include <string>
#include <vector>

class RecordingWidget : public KWidget {
public:
    explicit RecordingWidget(uint32_t colour = 0xFF10E0F0) : colour_(colour) {}
    // Also logs into a journal shared by several widgets, as "name: entry".
    RecordingWidget(const char* name, std::vector<std::string>* journal, uint32_t colour = 0xFF10E0F0)
        : colour_(colour), name_(name), journal_(journal) {}

    void SetColour(uint32_t colour) { colour_ = colour; }

    void Place(int left, int top, int right, int bottom, int id = 0) { Init(left, top, right, bottom, id); }

    void Draw(Gdiplus::Graphics& graphics) override {
        Gdiplus::SolidBrush brush{Gdiplus::Color(colour_)};
        graphics.FillRectangle(&brush, 0, 0, Width(), Height());
        ++draws;
    }
    void OnLButtonDown(int x, int y, int keys) override { Log("ldown", x, y, keys); }
    void OnLButtonUp(int x, int y, int keys) override { Log("lup", x, y, keys); }
    void OnLButtonDblClk(int x, int y, int keys) override { Log("ldbl", x, y, keys); }
    void OnRButtonDown(int x, int y, int keys) override { Log("rdown", x, y, keys); }
    void OnRButtonUp(int x, int y, int keys) override { Log("rup", x, y, keys); }
    void OnRButtonDblClk(int x, int y, int keys) override { Log("rdbl", x, y, keys); }
    void OnMouseEnter() override { Note("enter"); }
    void OnMouseLeave() override { Note("leave"); }
    void OnMouseMove(int x, int y, int keys) override {
        lastMove = {x, y};
        ++moves;
        moveKeys = keys;
    }
    void OnKeyDown(int key) override { Note("keydown " + std::to_string(key)); }
    void OnKeyUp(int key) override { Note("keyup " + std::to_string(key)); }
    void OnMouseWheel(int x, int y, int keys, int delta) override {
        (void)keys;
        wheelDeltas.push_back(delta);
        lastWheel = {x, y};
    }
    void OnMenuCommand(int index) override { Note("menu " + std::to_string(index)); }

    // Operations other than moves, in order ("ldown 3,4", "enter", ...).
    std::vector<std::string> log;
    std::vector<int> wheelDeltas;
    POINT lastMove = {-1000, -1000};
    POINT lastWheel = {-1000, -1000};
    int moves = 0;
    int moveKeys = 0;
    int draws = 0;
    int lastKeys = 0;

private:
    void Log(const char* what, int x, int y, int keys) {
        Note(std::string(what) + " " + std::to_string(x) + "," + std::to_string(y));
        lastKeys = keys;
    }
    void Note(const std::string& entry) {
        log.push_back(entry);
        if (journal_ != nullptr) journal_->push_back(std::string(name_) + ": " + entry);
    }
    uint32_t colour_;
    const char* name_ = "";
    std::vector<std::string>* journal_ = nullptr;
};
