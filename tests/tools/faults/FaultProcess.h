#pragma once

// Runs the tools as child processes for the fault tests: with extra environment, a
// file-size limit, and a signal at a chosen moment.

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <utility>
#include <unistd.h>
#include <vector>

#include "WavTestFiles.h"

namespace faulttest {

struct Outcome {
    int status = -1;  // exit status, or -1 when killed
    int signal = 0;   // the signal that ended it
    long maxRssKb = 0;
    std::string out;
    std::string err;
};

struct Launch {
    Launch(std::vector<std::string> args, std::vector<std::string> environment = {})
        : args(std::move(args)), environment(std::move(environment))
    {
    }
    std::vector<std::string> args;          // args[0] is the program
    std::vector<std::string> environment;   // "NAME=value" added to the process's own
    rlim_t fileSizeLimit = RLIM_INFINITY;
};

class Child {
public:
    // Output goes to files under directory named after tag.
    Child(const Launch& launch, const std::string& directory, const std::string& tag)
        : outPath(directory + "/" + tag + ".out"), errPath(directory + "/" + tag + ".err"), launch(launch)
    {
        // Everything the child needs is made before the fork: it only calls the system.
        for (const std::string& a : this->launch.args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        for (char** e = environ; *e; ++e) envp.push_back(*e);
        for (const std::string& a : this->launch.environment) envp.insert(envp.begin(), const_cast<char*>(a.c_str()));
        envp.push_back(nullptr);
        pid = fork();
        if (pid == 0) Exec();
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    void Signal(int number) const { kill(pid, number); }
    pid_t Pid() const { return pid; }

    Outcome Wait()
    {
        Outcome o;
        int raw = 0;
        rusage usage{};
        while (wait4(pid, &raw, 0, &usage) < 0 && errno == EINTR) {
        }
        o.maxRssKb = usage.ru_maxrss;
        if (WIFEXITED(raw)) o.status = WEXITSTATUS(raw);
        if (WIFSIGNALED(raw)) o.signal = WTERMSIG(raw);
        const wavtest::Bytes out = wavtest::ReadFile(outPath), err = wavtest::ReadFile(errPath);
        o.out.assign(out.begin(), out.end());
        o.err.assign(err.begin(), err.end());
        return o;
    }

private:
    void Exec()
    {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        const rlimit limit{launch.fileSizeLimit, launch.fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }

    std::string outPath;
    std::string errPath;
    Launch launch;
    std::vector<char*> argv;
    std::vector<char*> envp;
    pid_t pid = -1;
};

inline Outcome RunTool(const Launch& launch, const std::string& directory, const std::string& tag = "run")
{
    return Child(launch, directory, tag).Wait();
}

}  // namespace faulttest
