# Tests of this area: talvik_add_test(tst_name) lines.
talvik_add_test(tst_crashprocessreader)
talvik_add_test(tst_comtradewriter)
target_sources(talvik_test_support PRIVATE support/FailAfterDevice.h support/ScriptedRelay.h)
talvik_add_test(tst_logreader)
talvik_add_test(tst_comtradereader)
