/* A C99 server-side program built outside the tree with pkg-config alone,
 * with the simulated board as its local API. */
#include <ombixLocalWrap.h>
#include <stdio.h>
#include <stdlib.h>

int main(void) {
    json_t *params = json_loads("[{\"i\": \"fanNr\", \"v\": 0}]", 0, NULL);
    json_t *answer = ombixExecuteName("OmbixGetFanSpeed", params);
    json_t *unknown = ombixExecuteName("OmbixNoSuchCall", params);
    char *text = json_dumps(answer, JSON_COMPACT);
    printf("%s\n", text ? text : "null");
    int ok = answer != NULL && json_integer_value(json_object_get(answer, "ret")) == 0 && unknown == NULL;
    free(text);
    json_decref(answer);
    json_decref(params);
    return ok ? 0 : 1;
}
