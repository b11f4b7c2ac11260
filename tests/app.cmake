# Tests of this area: talvik_add_test(tst_name) lines.
target_sources(talvik_test_support PRIVATE support/ModalCloser.h support/ModalCloser.cpp)
talvik_add_test(tst_mainwindow)
talvik_add_test(tst_mainwindowshell)
talvik_add_test(tst_appsettings)
