// Turns the host's plain text file into the host text code and back.
//
//   qxtext_encode [QXTexts_Raw.ini [QXTexts.ini]]     encode
//   qxtext_encode --decode QXTexts.ini QXTexts_Raw.ini  decode
//
// Exit codes: 0 done, 1 bad arguments, 2 input unreadable, 3 input not in the code,
// 4 output not written.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "platform/host_text.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: qxtext_encode [RAW_INPUT [ENCODED_OUTPUT]]\n"
                 "       qxtext_encode --decode ENCODED_INPUT RAW_OUTPUT\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    bool decode = argc > 1 && std::strcmp(argv[1], "--decode") == 0;
    int first = decode ? 2 : 1;
    if (argc - first > 2 || (decode && argc - first != 2))
        return Usage();
    std::string input = argc > first ? argv[first] : "QXTexts_Raw.ini";
    std::string output = argc > first + 1 ? argv[first + 1] : "QXTexts.ini";
    if (input == output) {
        std::fprintf(stderr, "qxtext_encode: input and output are the same file: %s\n",
                     input.c_str());
        return 1;
    }

    std::ifstream in(input, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "qxtext_encode: %s: cannot read the file\n", input.c_str());
        return 2;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();

    std::string result;
    if (decode) {
        std::optional<std::string> plain = tabulon::platform::DecodeHostTextFile(buffer.str());
        if (!plain) {
            std::fprintf(stderr, "qxtext_encode: %s: not written in the host text code\n",
                         input.c_str());
            return 3;
        }
        result = *plain;
    } else {
        result = tabulon::platform::EncodeHostTextFile(buffer.str());
    }

    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out << result;
    out.close();
    if (!out) {
        std::fprintf(stderr, "qxtext_encode: %s: cannot write the file\n", output.c_str());
        return 4;
    }
    return 0;
}
