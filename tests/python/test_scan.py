"""The bus scan through the package on a bench with instruments at secondary addresses."""

import gpibscope


def test_listeners_at_secondary_addresses_keep_them():
    listeners = gpibscope.scan(gpib="sim", bench="secondary-address")
    # The primary address as an int, the secondary one (0 to 30, or None) beside it, shown as
    # scopehost shows it.
    assert [(l.address, l.address.secondary, str(l.address), l.identification)
            for l in listeners] == [
        (5, None, "5", "TEKTRONIX,TDS 540,0,CF:91.1CT FV:v2.1.3"),
        (9, 0, "9/0", "ACME,MF-1 VOLTMETER,0,1.0"),
        (9, 2, "9/2", "ACME,MF-1 COUNTER,0,1.0")]
