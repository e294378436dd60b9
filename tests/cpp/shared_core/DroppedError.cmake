# Compiles calls that drop a returned core::Error, and calls that check it or mark it
# with ignoreError, with unused results made errors: only the drops may fail, and they
# must fail for the unused result.
# Run with -DCOMPILER=<C++ compiler> -DINCLUDES=<include folders joined by '|'>
# -DWORK_DIR=<scratch folder>.
cmake_minimum_required(VERSION 3.25)

string(REPLACE "|" ";" includes "${INCLUDES}")
list(TRANSFORM includes PREPEND "-I")

set(declarations "#include <shared_core/Error.hpp>
using namespace velorin::core;
Error mayFail();
Success succeeds();
struct Holder { Error update(); };
")

# compile(<name> <expect: fails|builds> <body of a function>)
function(compile name expect body)
  file(WRITE "${WORK_DIR}/${name}.cpp" "${declarations}void caller()\n{\n   ${body}\n}\n")
  execute_process(
    COMMAND "${COMPILER}" -std=c++17 -fsyntax-only -Wunused-result -Werror=unused-result
      ${includes} "${WORK_DIR}/${name}.cpp"
    RESULT_VARIABLE result ERROR_VARIABLE output OUTPUT_VARIABLE output)
  if(expect STREQUAL "fails")
    if(result EQUAL 0 OR NOT output MATCHES "unused-result")
      message(SEND_ERROR "${name}: a dropped error must fail the build for its unused result; got ${result}:\n${output}")
    endif()
  elseif(NOT result EQUAL 0)
    message(SEND_ERROR "${name}: must build; got ${result}:\n${output}")
  endif()
endfunction()

compile(drops-an-error fails "mayFail();")
compile(drops-a-success fails "succeeds();")
compile(drops-a-member-result fails "Holder().update();")
compile(checks-the-error builds "if (mayFail())\n      return;")
compile(keeps-the-error builds "const Error error = mayFail();\n   ignoreError(error);")
compile(marks-the-drop builds "ignoreError(mayFail());\n   ignoreError(Holder().update());")
