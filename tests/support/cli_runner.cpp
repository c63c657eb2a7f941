#include "tests/support/cli_runner.h"

#include "tests/support/temp_folder.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {

CliRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::filesystem::path& home) {
    TempFolder scratch;
    const std::string outPath = (scratch.Path() / "out").string();
    const std::string errPath = (scratch.Path() / "err").string();

    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        if (!variable.starts_with("LC_ALL=") && !variable.starts_with("QUILLMERE_HOME=")) {
            environment.push_back(variable);
        }
    }
    environment.push_back("LC_ALL=en_US.UTF-8");
    environment.push_back("QUILLMERE_HOME=" + home.string());
    std::vector<char*> envp;
    for (std::string& variable : environment) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> words = arguments;
    words.insert(words.begin(), program);
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    CliRun run;
    const pid_t child = fork();
    if (child == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        alarm(60);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) {
        return run;
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    return run;
}

} // namespace testsupport
