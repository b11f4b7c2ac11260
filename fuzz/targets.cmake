# The fuzz targets: each is fuzz/<name>.cpp with a seed corpus in
# fuzz/corpus/<name>/. fuzz/CMakeLists.txt builds them and fuzz/run.sh runs
# them, both from this list; `cmake -P fuzz/targets.cmake` prints it.
set(TALVIK_FUZZ_TARGETS
    fuzz_rtu_frame
    fuzz_config_apply
    fuzz_comtrade
    fuzz_journal
    fuzz_crash_reader
    fuzz_comtrade_reader
)

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    # message() writes to stderr; the run script reads stdout.
    list(JOIN TALVIK_FUZZ_TARGETS " " targets)
    execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${targets}")
endif()
