/* rusage OUTPUT COMMAND [ARGUMENT...]
 *
 * Runs the command and writes one line to OUTPUT: its wall time, user time
 * and system time in microseconds, its peak resident memory in KB (the
 * largest of its processes) and its minor and major page faults, counted
 * over the command and every process it waited for. Exits with the
 * command's status. The benchmark's timer: GNU time gives only hundredths
 * of a second, too coarse to split a run of a few tens of milliseconds into
 * user and system time.
 */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static long long microseconds(struct timeval t) {
    return (long long)t.tv_sec * 1000000 + t.tv_usec;
}

int main(int argc, char** argv) {
    struct timespec start, end;
    struct rusage usage;
    int status;
    pid_t child;
    FILE* out;

    if (argc < 3) {
        fprintf(stderr, "usage: rusage OUTPUT COMMAND [ARGUMENT...]\n");
        return 125;
    }
    clock_gettime(CLOCK_MONOTONIC, &start);
    child = fork();
    if (child < 0) {
        perror("rusage: fork");
        return 125;
    }
    if (child == 0) {
        execvp(argv[2], argv + 2);
        perror("rusage: exec");
        _exit(127);
    }
    if (wait4(child, &status, 0, &usage) < 0) {
        perror("rusage: wait4");
        return 125;
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    out = fopen(argv[1], "w");
    if (!out) {
        perror(argv[1]);
        return 125;
    }
    fprintf(out, "%lld %lld %lld %ld %ld %ld\n",
            (long long)(end.tv_sec - start.tv_sec) * 1000000 + (end.tv_nsec - start.tv_nsec) / 1000,
            microseconds(usage.ru_utime), microseconds(usage.ru_stime), usage.ru_maxrss, usage.ru_minflt,
            usage.ru_majflt);
    fclose(out);
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + WTERMSIG(status);
}
