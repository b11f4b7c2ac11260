# Tests of this area: talvik_add_test(tst_name) lines.
talvik_add_test(tst_recordviewer)
