// Stands in for the web browser in the end-to-end tests: the test prefix opens
// .html files with it. Each start appends one line to "opened.txt" beside the
// recorder: its arguments, separated by blanks. The record lies beside the
// program because a browser found for a file is started with the page's address
// alone, without the arguments its file association names.
//
//     recorder.exe ARGUMENT...
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    char program[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    if (length == 0 || length >= sizeof program) return 1;
    std::string record(program, length);
    record.erase(record.find_last_of('\\') + 1);
    record += "opened.txt";
    FILE* out = std::fopen(record.c_str(), "ab");
    if (out == nullptr) return 1;
    for (int i = 1; i < argc; ++i) std::fprintf(out, i > 1 ? " %s" : "%s", argv[i]);
    std::fputc('\n', out);
    std::fclose(out);
    return 0;
}
