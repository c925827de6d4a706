/* A C99 client built outside the tree with pkg-config alone. It brings its
 * own transport, which answers every call with a fixed boot counter. */
#include <ombixRemoteCall.h>
#include <ombix_transport.h>
#include <stdio.h>

json_t *OmbixExecuteRemoteCall(int32_t handle, const char *name, int32_t *code, json_t *params) {
    (void)handle;
    (void)name;
    json_decref(params);
    *code = OMBIX_RC_OK;
    return json_pack("[{s:s, s:i}]", "i", "bootCount", "v", 77);
}

int main(void) {
    int32_t bootCount = 0;
    int32_t code = OmbixR_GetBootCounter(1, &bootCount);
    OMBIX_client();
    printf("code %d bootCount %d\n", (int)code, (int)bootCount);
    return code == OMBIX_RC_OK && bootCount == 77 ? 0 : 1;
}
