# Pipes HTTP requests through the example host's JSON-RPC mode and checks each whole
# reply.
# Run with -DEXAMPLE=<path of velorin_example> -DWORK_DIR=<scratch folder>, and
# -DEMULATOR=<runner> where the example runs through one (Wine).
cmake_minimum_required(VERSION 3.25)

set(headers "HTTP/1.1 200 OK\r\nExpires: Fri, 01 Jan 1990 00:00:00 GMT\r\nPragma: no-cache\r\nCache-Control: no-cache, no-store, max-age=0, must-revalidate\r\nContent-Type: application/json\r\n")
string(REPEAT "[" 2000 deepOpen)
string(REPEAT "]" 2000 deepClose)
string(REPEAT "x" 3000000 hugeText)

# check(<name> <request text> <head> <body>): the reply must be the head, the body's
# "Content-Length", a blank line and the body, byte for byte. CMake drops CRs from text
# it reads, so the bytes are compared as hexadecimal.
function(check name request head body)
  file(WRITE "${WORK_DIR}/${name}.http" "${request}")
  execute_process(COMMAND ${EMULATOR} "${EXAMPLE}" --jsonrpc
    INPUT_FILE "${WORK_DIR}/${name}.http"
    OUTPUT_FILE "${WORK_DIR}/${name}.reply"
    ERROR_VARIABLE log RESULT_VARIABLE result)
  string(LENGTH "${body}" length)
  set(expected "${head}Content-Length: ${length}\r\n\r\n${body}")
  string(HEX "${expected}" expectedHex)
  file(READ "${WORK_DIR}/${name}.reply" replyHex HEX)
  if(NOT result EQUAL 0 OR NOT replyHex STREQUAL expectedHex)
    file(READ "${WORK_DIR}/${name}.reply" reply LIMIT 2000)
    string(SUBSTRING "${expected}" 0 2000 expected)
    message(SEND_ERROR "${name}: exit ${result}, got\n${reply}\nexpected\n${expected}\nlog:\n${log}")
  endif()
endfunction()

# A call that succeeds, with the body cut to its "Content-Length".
set(body "{\"method\":\"greet\",\"kwparams\":{\"name\":\"Ada\"}}")
string(LENGTH "${body}" length)
check(greet
  "POST /rpc HTTP/1.1\r\nHost: localhost\r\nContent-Type: application/json\r\nContent-Length: ${length}\r\n\r\n${body}trailing"
  "${headers}" "{\"result\":\"Hello, Ada!\"}")

set(start "POST /rpc HTTP/1.1\r\n\r\n")
set(ok "${headers}")
check(echo "${start}{\"method\":\"echo\",\"params\":[1,\"two\",{\"3\":null}]}" "${ok}"
  "{\"result\":[1,\"two\",{\"3\":null}]}")
check(sum "POST /rpc HTTP/1.1\r\nX-Trace: 1\r\n\r\n{\"method\":\"sum\",\"params\":[1,2.5]}" "${ok}" "{\"result\":3.5}")
check(not-json "${start}{\"method\":" "${ok}"
  "{\"error\":{\"code\":6,\"message\":\"Invalid json-rpc request\",\"error\":null}}")
check(not-an-object "${start}[\"greet\"]" "${ok}"
  "{\"error\":{\"code\":6,\"message\":\"Invalid json-rpc request\",\"error\":null}}")
check(empty-body "${start}" "${ok}"
  "{\"error\":{\"code\":6,\"message\":\"Invalid json-rpc request\",\"error\":null}}")
check(unknown-method "${start}{\"method\":\"launch\"}" "${ok}"
  "{\"error\":{\"code\":7,\"message\":\"Method not found\",\"error\":null}}")
check(params-of-wrong-type "${start}{\"method\":\"echo\",\"params\":{}}" "${ok}"
  "{\"error\":{\"code\":9,\"message\":\"Parameter type mismatch\",\"error\":null}}")
check(member-of-wrong-type "${start}{\"method\":\"greet\",\"kwparams\":{\"name\":7}}" "${ok}"
  "{\"error\":{\"code\":9,\"message\":\"Parameter type mismatch\",\"error\":null}}")
check(member-missing "${start}{\"method\":\"greet\"}" "${ok}"
  "{\"error\":{\"code\":9,\"message\":\"Parameter type mismatch\",\"error\":null}}")
check(deep-nesting "${start}{\"method\":\"echo\",\"params\":${deepOpen}${deepClose}}" "${ok}"
  "{\"error\":{\"code\":6,\"message\":\"Invalid json-rpc request\",\"error\":null}}")
check(huge-body "${start}{\"method\":\"greet\",\"kwparams\":{\"name\":\"${hugeText}\"}}" "${ok}"
  "{\"result\":\"Hello, ${hugeText}!\"}")
check(no-request-line "" "HTTP/1.1 400 Bad Request\r\nContent-Type: text/html\r\n"
  "The input holds no HTTP request line.")
