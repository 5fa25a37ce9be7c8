/* Loads the libtarnvel.so named by argv[1] as the program does and prints the full path
 * of every libOSTRANE.so the loader bound, one a line. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int print_ostrane(struct dl_phdr_info *info, size_t size, void *data)
{
    (void)size;
    (void)data;
    const char *slash = strrchr(info->dlpi_name, '/');
    if (strcmp(slash ? slash + 1 : info->dlpi_name, "libOSTRANE.so") == 0) {
        char full[PATH_MAX];
        printf("%s\n", realpath(info->dlpi_name, full) ? full : info->dlpi_name);
    }
    return 0;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fputs("usage: which_ostrane LIBTARNVEL\n", stderr);
        return 2;
    }
    if (!dlopen(argv[1], RTLD_NOW | RTLD_LOCAL)) {
        fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    dl_iterate_phdr(print_ostrane, NULL);
    return 0;
}
