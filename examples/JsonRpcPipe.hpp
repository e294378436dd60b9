// JsonRpcPipe.hpp: the example host's JSON-RPC mode.
#pragma once

#include <istream>
#include <ostream>

// Reads one HTTP request (start line, CR LF header lines, a blank line, the body) from
// the input, answers the JSON-RPC call in its body from a small table of methods, and
// writes the HTTP reply to the output. Returns the program's exit code.
int answerJsonRpcRequest(std::istream& in, std::ostream& out);
