# Reliability: a relay on a pseudo-terminal with fault switches, and the
# end-to-end scenarios run against it through the whole program.
target_sources(talvik_test_support PRIVATE
    support/TestRelay.h
    support/TestRelay.cpp
    support/ReliabilityHarness.h
    support/RelayContent.h
    support/RelayMaster.h
    support/MainWindowTestAccess.h
)
talvik_add_test(tst_reliabilitypolling)
talvik_add_test(tst_reliabilityrecords)
# The same scenarios with frame end by length and batched reads.
talvik_add_test_run(tst_reliabilitypolling bylength TALVIK_TEST_LENGTH_FRAMING=1)
talvik_add_test_run(tst_reliabilityrecords bylength TALVIK_TEST_LENGTH_FRAMING=1)
talvik_add_test(tst_batchedreads)
talvik_add_test(tst_tcplinks)
talvik_add_test(tst_reliabilitystatus)
talvik_add_test(tst_devicesearch)
