# Tests of this area: talvik_add_test(tst_name) lines.
target_sources(talvik_test_support PRIVATE support/RunModal.h)

talvik_add_test(tst_mainwindowform)
talvik_add_test(tst_configdialog)
talvik_add_test(tst_passworddialog)
