// Stand-in for the espflash tool, for the demo's simulated board and for the tests. It appends
// its argument vector to "espflash.calls" beside itself, and when it ends, the wall-clock start
// and end of the run in microseconds and the argument vector to "espflash.runs" (so that a test
// sees which runs overlapped). It acts as the file "espflash.scenario" beside itself tells it,
// per subcommand, and per subcommand and port for runs given that "--port":
//
//   <subcommand>.<key>=<value>     e.g.  board-info.out=Chip type: esp32 (revision v3.1)\n
//   <subcommand>@<port>.<key>=<value>    overrides the key above for that port
//
// keys (values take C escapes \n \r \t \\ \xHH):
//   out, err          text for standard output / standard error, written in one piece
//   chunks            writes separated by '|', each "o:" or "e:" + text, with chunk_delay_ms
//   between bulk              that many bytes to each stream, interleaved in 4 KiB blocks
//   copy_image        copies the last argument (the image) to this path
//   remove            removes this path (a port that vanishes while the tool runs)
//   sleep_ms          sleeps before ending
//   exit              exit status (default 0)
//   signal            ends by raising this signal instead of exiting
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::string unescape(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        switch (c) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x':
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
            break;
        default:
            out += c;
        }
    }
    return out;
}

void writeAll(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            std::exit(90);
        done += static_cast<size_t>(n);
    }
}

std::string directoryOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

long long microsecondsNow()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string g_directory;
std::string g_argumentVector;
long long g_start = 0;

// One line per run, written whole at its end by one write(2), so parallel runs never interleave.
void recordRun()
{
    const std::string line = std::to_string(g_start) + "\t" + std::to_string(microsecondsNow())
        + "\t" + g_argumentVector + "\n";
    std::ofstream(g_directory + "/espflash.runs", std::ios::app) << line << std::flush;
}

} // namespace

int main(int argc, char **argv)
{
    g_start = microsecondsNow();
    g_directory = directoryOf(argv[0]);
    const std::string &dir = g_directory;
    for (int i = 1; i < argc; ++i)
        g_argumentVector += (i > 1 ? "\t" : "") + std::string(argv[i]);
    std::ofstream(dir + "/espflash.calls", std::ios::app) << g_argumentVector + "\n" << std::flush;

    // The subcommand is the first argument that is not an option.
    std::string command;
    for (int i = 1; i < argc && command.empty(); ++i) {
        if (argv[i][0] != '-')
            command = argv[i];
    }

    std::string port;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--port")
            port = argv[i + 1];
    }

    // Keys for this port come after the general ones and override them.
    std::map<std::string, std::string> settings;
    for (const std::string &prefix : {command + ".", command + "@" + port + "."}) {
        std::ifstream scenario(dir + "/espflash.scenario");
        for (std::string line; std::getline(scenario, line);) {
            const auto eq = line.find('=');
            if (eq != std::string::npos && eq > prefix.size()
                && line.compare(0, prefix.size(), prefix) == 0)
                settings[line.substr(prefix.size(), eq - prefix.size())] = line.substr(eq + 1);
        }
    }
    const auto setting = [&](const char *key) -> const std::string * {
        const auto it = settings.find(key);
        return it == settings.end() ? nullptr : &it->second;
    };

    if (const auto *path = setting("copy_image")) {
        std::ifstream in(argv[argc - 1], std::ios::binary);
        std::ofstream out(*path, std::ios::binary);
        out << in.rdbuf();
    }
    if (const auto *text = setting("out"))
        writeAll(STDOUT_FILENO, unescape(*text));
    if (const auto *text = setting("err"))
        writeAll(STDERR_FILENO, unescape(*text));
    if (const auto *chunks = setting("chunks")) {
        const int delay = setting("chunk_delay_ms") ? std::stoi(*setting("chunk_delay_ms")) : 50;
        std::stringstream list(*chunks);
        for (std::string chunk; std::getline(list, chunk, '|');) {
            writeAll(chunk.rfind("e:", 0) == 0 ? STDERR_FILENO : STDOUT_FILENO,
                     unescape(chunk.substr(2)));
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        }
    }
    if (const auto *bulk = setting("bulk")) {
        const long total = std::stol(*bulk);
        const std::string block(4096, 'x');
        for (long written = 0; written < total; written += 4096) {
            const std::string piece =
                block.substr(0, static_cast<size_t>(std::min(4096L, total - written)));
            writeAll(STDOUT_FILENO, piece);
            writeAll(STDERR_FILENO, piece);
        }
    }
    if (const auto *path = setting("remove"))
        ::unlink(path->c_str());
    if (const auto *ms = setting("sleep_ms"))
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stol(*ms)));
    recordRun();
    if (const auto *sig = setting("signal")) {
        std::signal(std::stoi(*sig), SIG_DFL);
        std::raise(std::stoi(*sig));
    }
    return setting("exit") ? std::stoi(*setting("exit")) : 0;
}
