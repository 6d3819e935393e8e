// A folder of its own for one test, removed with everything in it at the end, and the whole
// text of a file.
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <stdlib.h>

namespace testing_support {

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/tonalith-test-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // A file of that name and content in the folder; its path.
    std::string file(const std::string& name, const std::string& content) const {
        const std::string p = path(name);
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    std::string path(const std::string& name) const { return path_ + "/" + name; }
    std::string operator/(const std::string& name) const { return path(name); }
    const std::string& dir() const { return path_; }

private:
    std::string path_;
};

inline std::string readAll(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace testing_support
