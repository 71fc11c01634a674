/* A host application in C that links the installed driver the ordinary way (pkg-config or
 * find_package(Quorlin)) and asks the Rudari Zovuravirero which name this computer has.
 * Prints "version ...", then "result R status S name N" (N is "-" when no name was written). */
#include <stdint.h>
#include <stdio.h>

#include <quorlin.h>

/* Message boxes of the driver go to standard error. */
static void ShowMessageBox(void* context, const char* caption, const char* text) {
    (void)context;
    fprintf(stderr, "[%s] %s\n", caption, text);
}

int main(void) {
    QuorlinDriver* driver = QuorlinCreate();
    if (driver == NULL) {
        fprintf(stderr, "the driver object could not be made\n");
        return 1;
    }
    printf("version %s\n", QuorlinVersion());
    QuorlinSetOperator(driver, NULL, ShowMessageBox, NULL);

    int32_t status = INT32_MIN; /* a value the driver never writes */
    char* name = NULL;
    const int32_t result = QuorlinRequestDeviceName(driver, &name, &status);
    printf("result %d status %d name %s\n", (int)result, (int)status, name != NULL ? name : "-");

    QuorlinFree(name);
    QuorlinDestroy(driver);
    return result == QUORLIN_OK ? 0 : 1;
}
