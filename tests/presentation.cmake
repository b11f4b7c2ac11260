# Tests of this area: talvik_add_test(tst_name) lines.
target_sources(talvik_test_support PRIVATE support/FakeRegisterImage.h)
talvik_add_test(tst_visualizers)
talvik_add_test(tst_editors)
talvik_add_test(tst_comboboxeditors)
talvik_add_test(tst_parametermap)
