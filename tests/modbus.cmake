# Tests of this area: talvik_add_test(tst_name) lines.
talvik_add_test(tst_modbusrequests)
talvik_add_test(tst_modbusclient)
talvik_add_test(tst_demortulink)
