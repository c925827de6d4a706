/* Built with -m32 and run in the test guest: it proves that the guest's kernel
 * runs i386 programs (IA32 emulation) with the host's i386 libraries from the
 * multiarch folders, by printing its word size and the kernel's machine name
 * as JSON through the i386 jansson. */
#include <jansson.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/utsname.h>

int main(void) {
    struct utsname names;
    json_t *report;
    char *text;

    if (uname(&names) != 0) return 1;
    report = json_pack("{s:i, s:s}", "pointer_bits", (int)(sizeof(void *) * 8), "machine", names.machine);
    text = report != NULL ? json_dumps(report, JSON_COMPACT | JSON_SORT_KEYS) : NULL;
    if (text == NULL) return 1;
    puts(text);
    free(text);
    json_decref(report);
    return 0;
}
