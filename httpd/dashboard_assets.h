// The dashboard's files, built into ombixd (the table is generated from
// dashboard/ by embed_files.cmake).
#ifndef OMBIXD_DASHBOARD_ASSETS_H
#define OMBIXD_DASHBOARD_ASSETS_H

#include <cstddef>

namespace ombixd {

struct DashboardAsset {
    const char *path;  // "/dashboard/js/app.js"
    const unsigned char *bytes;
    std::size_t size;
};

extern const DashboardAsset kDashboardAssets[];
extern const std::size_t kDashboardAssetCount;

}  // namespace ombixd

#endif
