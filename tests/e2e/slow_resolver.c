/* A name service that hangs, as a broken DNS at login does: loaded with LD_PRELOAD, every
 * getaddrinfo of a host name (not of a numeric address) waits SLOW_RESOLVER_SECONDS (default 30)
 * and then fails as a look-up that timed out. When SLOW_RESOLVER_MARK names a file, each
 * look-up appends its host name to it as it begins, so a test knows one is under way. */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

typedef int (*getaddrinfo_fn)(const char*, const char*, const struct addrinfo*, struct addrinfo**);

static int is_numeric(const char* node) {
    unsigned char address[sizeof(struct in6_addr)];
    return inet_pton(AF_INET, node, address) == 1 || inet_pton(AF_INET6, node, address) == 1;
}

static void mark(const char* node) {
    const char* path = getenv("SLOW_RESOLVER_MARK");
    if (path == NULL || *path == '\0')
        return;
    const int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    ssize_t written = write(fd, node, strlen(node));
    written += write(fd, "\n", 1);
    (void)written;
    close(fd);
}

/* The whole time, even when signals interrupt the sleep. */
static void wait_seconds(long seconds) {
    struct timespec left = {seconds, 0};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                struct addrinfo** result) {
    if (node != NULL && !is_numeric(node)) {
        const char* value = getenv("SLOW_RESOLVER_SECONDS");
        mark(node);
        wait_seconds(value != NULL ? atol(value) : 30);
        return EAI_AGAIN;
    }
    /* ISO C has no cast from an object pointer to a function pointer; the bytes are the same. */
    void* symbol = dlsym(RTLD_NEXT, "getaddrinfo");
    getaddrinfo_fn next = NULL;
    memcpy(&next, &symbol, sizeof next);
    return next != NULL ? next(node, service, hints, result) : EAI_SYSTEM;
}
