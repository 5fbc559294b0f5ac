"""Numbers as scopehost's files print them: the shortest text that reads back as the same
double, fixed or with an exponent, whichever is shorter (fixed on a tie), the exponent with at
least two digits ("1e-05", "2.5e+16"). Python's repr is shortest round-trip too but chooses
its form and writes its exponent otherwise, so only its digits are taken from it."""

import math


def _digits_and_exponent(magnitude):
    """The shortest round-trip significant digits of a positive finite number and the decimal
    exponent of its first digit: 0.0125 -> ("125", -2)."""
    significand, _, power = repr(magnitude).partition("e")
    whole, _, fraction = significand.partition(".")
    digits = (whole + fraction).lstrip("0")
    leading_zeros = len(whole + fraction) - len(digits)
    exponent = int(power or 0) + len(whole) - 1 - leading_zeros
    return digits.rstrip("0"), exponent


def _fixed(magnitude, digits, exponent):
    if exponent < 0:
        return "0." + "0" * (-exponent - 1) + digits
    if len(digits) <= exponent + 1:
        # A whole number is written out exactly, as printf's %f would: beyond 2**53 its digits
        # go on past the shortest ones.
        return str(int(magnitude))
    return digits[: exponent + 1] + "." + digits[exponent + 1 :]


def _scientific(digits, exponent):
    significand = digits[0] + ("." + digits[1:] if len(digits) > 1 else "")
    return f"{significand}e{'-' if exponent < 0 else '+'}{abs(exponent):02d}"


def format_number(value):
    """value as scopehost writes it: C++ std::to_chars of a double with no format given."""
    value = float(value)
    sign = "-" if math.copysign(1.0, value) < 0 else ""
    if math.isnan(value):
        return sign + "nan"
    if math.isinf(value):
        return sign + "inf"
    if value == 0:
        return sign + "0"
    digits, exponent = _digits_and_exponent(abs(value))
    fixed, scientific = _fixed(abs(value), digits, exponent), _scientific(digits, exponent)
    return sign + (fixed if len(fixed) <= len(scientific) else scientific)
