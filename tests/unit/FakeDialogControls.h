#pragma once
// An in-memory dialog for the exchange tests: texts and check states per control id, the two
// validation strings as string resources, and a log of everything the exchange did to the
// "window" (texts set, check states set, messages shown, focus moves), in order.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "core/framework/DataExchange.h"

class FakeDialogControls : public orv::IDialogControls {
public:
    std::map<int, std::string> texts;
    std::map<int, int> checks;
    std::map<int, std::vector<std::string>> items;
    std::vector<std::string> log;

    std::vector<std::string> Messages() const {
        std::vector<std::string> shown;
        for (const std::string& entry : log)
            if (entry.rfind("message: ", 0) == 0) shown.push_back(entry.substr(9));
        return shown;
    }

    std::string GetText(int id) override { return texts[id]; }
    void SetText(int id, const std::string& text) override {
        log.push_back("text " + std::to_string(id) + " = " + text);
        texts[id] = text;
    }
    int GetCheck(int id) override { return checks[id]; }
    void SetCheck(int id, int state) override {
        log.push_back("check " + std::to_string(id) + " = " + std::to_string(state));
        checks[id] = state;
    }
    std::vector<std::string> GetItems(int id) override { return items[id]; }
    void SetItems(int id, const std::vector<std::string>& list) override {
        std::string joined;
        for (const std::string& item : list)
            joined += (joined.empty() ? "" : "|") + item;
        log.push_back("items " + std::to_string(id) + " = " + joined);
        items[id] = list;
    }
    std::string ResourceString(uint32_t id) override {
        switch (id) {
        case IDS_RANGE_UINT:
            return "Please enter an integer between %1 and %2.";
        case IDS_POSITIVE_UINT:
            return "Please enter a positive integer.";
        default:
            return std::string();
        }
    }
    void ShowMessage(const std::string& text) override { log.push_back("message: " + text); }
    void FocusControl(int id, bool selectAll) override {
        log.push_back("focus " + std::to_string(id) + (selectAll ? " select all" : ""));
    }
};
