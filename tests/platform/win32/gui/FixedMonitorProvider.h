// A monitor provider for tests: a fixed list of monitors.
#pragma once

#include <utility>
#include <vector>

#include "platform/win32/gui/Monitors.h"

class FixedMonitorProvider : public MonitorProvider {
public:
    explicit FixedMonitorProvider(std::vector<MonitorDescription> monitors) : monitors_(std::move(monitors)) {}
    std::vector<MonitorDescription> Monitors() override { return monitors_; }

private:
    std::vector<MonitorDescription> monitors_;
};
