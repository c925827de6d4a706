#include <gtest/gtest.h>
#include "ombixLocalWrap.h"
TEST(Smoke, FanSpeed) {
    json_t *p = json_loads("[{\"i\":\"fanNr\",\"v\":0}]", 0, nullptr);
    json_t *a = ombixExecuteName("OmbixGetFanSpeed", p);
    char *t = json_dumps(a, JSON_COMPACT);
    printf("%s\n", t);
    free(t); json_decref(a); json_decref(p);
}
