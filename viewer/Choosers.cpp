// The two file choosers: a desktop dialog (zenity) when there is a display to show it on, a
// prompt on the console otherwise. Paths never pass through a shell.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "viewer/RVFView.h"

extern char** environ;

namespace {

enum Answer { kChosen, kNoFile, kUnavailable };

// The first executable called `name` in a directory of PATH.
bool FindOnPath(const char* name, std::string* found) {
    const char* path = getenv("PATH");
    if (path == nullptr) return false;
    for (const char* dir = path;; ++dir) {
        const char* end = strchr(dir, ':');
        size_t length = (end != nullptr) ? static_cast<size_t>(end - dir) : strlen(dir);
        std::string candidate(dir, length);
        if (candidate.empty()) candidate = ".";
        candidate += '/';
        candidate += name;
        if (access(candidate.c_str(), X_OK) == 0) {
            *found = candidate;
            return true;
        }
        if (end == nullptr) return false;
        dir = end;
    }
}

// What a chooser asks for: its title, and the kind of file its dialog offers first.
struct Request {
    const char* title;
    const char* kind;               // what the files offered first are
    const char* const* extensions;  // theirs, lower case, up to a null
};

// zenity's filter of the files a request offers first: "KIND (*.a *.b) | *.a *.A *.b *.B", both
// spellings since GTK's patterns tell case.
std::string FilterOption(const Request& request) {
    std::string shown, patterns;
    for (const char* const* e = request.extensions; *e != nullptr; ++e) {
        std::string upper = *e;
        for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        shown += std::string(shown.empty() ? "" : " ") + "*." + *e;
        patterns += std::string(" *.") + *e + " *." + upper;
    }
    return std::string("--file-filter=") + request.kind + " (" + shown + ") |" + patterns;
}

// zenity's messages go to standard error: on success and on cancel they are only warnings about
// the desktop (its settings service, its accessibility bus), a screenful for each dialog, so
// they are kept aside and shown only when the dialog failed, with one line that says so.
void ReportDialogFailure(FILE* messages, int status) {
    if (messages != nullptr) {
        fflush(messages);
        rewind(messages);
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, messages)) > 0) fwrite(buffer, 1, n, stderr);
        fflush(stderr);
    }
    if (WIFEXITED(status))
        printf("The file dialog failed (zenity ended with status %d); asking here instead.\n",
               WEXITSTATUS(status));
    else
        printf("The file dialog failed (zenity was ended by signal %d); asking here instead.\n",
               WTERMSIG(status));
}

// Shows zenity's file dialog. Its cancel (status 1) is no file; any other failure leaves the
// choice to the console.
Answer AskDialog(const std::string& zenity, const Request& request, std::string* chosen) {
    int fds[2];
    if (pipe(fds) != 0) return kUnavailable;
    // Without a scratch file for its messages zenity keeps our standard error.
    FILE* messages = tmpfile();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    if (messages != nullptr) posix_spawn_file_actions_adddup2(&actions, fileno(messages), STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);

    std::string titleOption = std::string("--title=") + request.title;
    std::string filterOption = FilterOption(request);
    char* argv[] = {const_cast<char*>("zenity"),
                    const_cast<char*>("--file-selection"),
                    const_cast<char*>(titleOption.c_str()),
                    const_cast<char*>(filterOption.c_str()),
                    const_cast<char*>("--file-filter=All files | *"),
                    nullptr};
    fflush(stdout);
    pid_t pid;
    int spawned = posix_spawn(&pid, zenity.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        if (messages != nullptr) fclose(messages);
        return kUnavailable;
    }

    std::string output;
    char buffer[4096];
    for (;;) {
        ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n > 0)
            output.append(buffer, static_cast<size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(fds[0]);
    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    bool failed = waited != pid || !WIFEXITED(status) || WEXITSTATUS(status) > 1;
    if (failed && waited == pid) ReportDialogFailure(messages, status);
    if (messages != nullptr) fclose(messages);
    if (failed) return kUnavailable;
    if (WEXITSTATUS(status) == 1) return kNoFile;
    if (!output.empty() && output.back() == '\n') output.pop_back();
    if (output.empty()) return kNoFile;
    *chosen = output;
    return kChosen;
}

// Shows the title on standard output and reads one path from standard input; the end of the
// input or an empty line is no file.
Answer AskConsole(const char* title, std::string* chosen) {
    printf("%s\n", title);
    fflush(stdout);
    char* line = nullptr;
    size_t capacity = 0;
    ssize_t length = getline(&line, &capacity, stdin);
    if (length < 0) {
        free(line);
        return kNoFile;
    }
    std::string path(line, static_cast<size_t>(length));
    free(line);
    while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
    if (path.empty()) return kNoFile;
    *chosen = path;
    return kChosen;
}

// False when the user gives no file.
bool ChooseFile(const Request& request, char* filename) {
    for (;;) {
        std::string path;
        std::string zenity;
        Answer answer = kUnavailable;
        const char* display = getenv("DISPLAY");
        if (display != nullptr && *display != '\0' && FindOnPath("zenity", &zenity))
            answer = AskDialog(zenity, request, &path);
        if (answer == kUnavailable) answer = AskConsole(request.title, &path);
        if (answer == kNoFile) return false;
        if (path.size() < static_cast<size_t>(kPathBufferSize)) {
            memcpy(filename, path.c_str(), path.size() + 1);
            return true;
        }
        printf("Error: The chosen path is %zu characters long; at most %d can be used.\n", path.size(),
               kPathBufferSize - 1);
    }
}

// RVF files and the mesh formats most often met among those the importer reads; every file is
// offered on request, and every one is opened by its content.
const char* const kMeshExtensions[] = {"rvf", "obj", "fbx", "gltf", "glb",
                                       "dae", "ply", "3ds", "smd",  nullptr};
const char* const kMapExtensions[] = {"tga", "png", "jpg", "jpeg", nullptr};
const Request kMesh = {"Select Relievo Data File (.rvf)", "Meshes", kMeshExtensions};
const Request kMap = {"Select Normal Map Texture (.tga)", "Normal maps", kMapExtensions};

// At start-up there is nothing to show without the file.
bool ChooseFileOrEnd(const Request& request, char* filename) {
    if (ChooseFile(request, filename)) return true;
    printf("Error: Invalid or no file chosen.\n");
    exit(-1);
}

}  // namespace

bool GetRVFFileName(int*, char* filename) { return ChooseFileOrEnd(kMesh, filename); }

bool GetTextureFileName(int*, char* filename) { return ChooseFileOrEnd(kMap, filename); }

bool AskRVFFileName(char* filename) { return ChooseFile(kMesh, filename); }

bool AskTextureFileName(char* filename) { return ChooseFile(kMap, filename); }
