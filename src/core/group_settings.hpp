#pragma once
// The validated inputs one replication reads. Field names follow the window
// controls they come from; the three groups are held as a small array.

#include <array>
#include <cstdint>

namespace velmor {

struct GroupSettings {
    double txtmean = 0.0;         // population mean of the true scores
    double txtsd = 1.0;           // population SD of the true scores
    std::int32_t txtNsize = 16;   // group size, 2..2000
    double txtReliability = 1.0;  // 0.0001..1
    bool rdoNormal = false;
    bool rdoUniform = false;
    bool chkInteger = false;
    bool chkMin = false;  // a minimum possible score is in force
    bool chkMax = false;  // a maximum possible score is in force
    double txtMin = 0.0;
    double txtMax = 0.0;
};

inline constexpr int kGroups = 3;
inline constexpr int kMaxScores = 4000;  // capacity of every score array and deviate column

struct ReplicationSettings {
    std::array<GroupSettings, kGroups> groups{};
    bool Resampled1 = true;   // redraw scores outside the bounds (wins over Winsorized1)
    bool Winsorized1 = false; // clamp scores to the bounds
    double txtalpha1 = 0.05;  // nominal alpha
    std::int32_t deviateRows = 16;  // largest of the three group sizes
};

}  // namespace velmor
