# The command line, run as its own process: the built program's path is
# handed to the test, which needs the program built first.
target_sources(talvik_test_support PRIVATE support/ClientProcess.h support/ClientProcess.cpp)
talvik_add_test(tst_commandline)
target_compile_definitions(tst_commandline PRIVATE
    TALVIK_CLIENT_PATH="$<TARGET_FILE:talvik-client>")
add_dependencies(tst_commandline talvik-client)
