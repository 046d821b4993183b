#!/usr/bin/env python3
"""Reference values of tests/analysis/test_element.cpp, computed with mpmath at 60 digits
from the classical closed forms (not from the program's formulas):

  rod  (c = Y = L = 1, so lambda = s):  k00 = lambda coth lambda,  k01 = -lambda csch lambda
  beam (clamped-clamped, kappa^4 = -s^2 / beta, x = kappa L, c = cos x, ch = cosh x,
        sn = sin x, sh = sinh x, D = 1 - c ch):
       K00 = EI k^3 (c sh + sn ch) / D    K01 = EI k^2 sn sh / D
       K02 = -EI k^3 (sn + sh) / D        K03 = EI k^2 (ch - c) / D
       K11 = EI k (ch sn - sh c) / D      K13 = EI k (sh - sn) / D

The inputs are the doubles printed in the rows; run: python3 element_reference.py
"""
import math
import mpmath as mp

mp.mp.dps = 60
BETA = 163645038167938.94  # BendCoefZ of the default steel bar of 10 mm diameter
EI = 10308350.894591508    # its EIz = 21000 * 490.87385212340519
ARGS = (0.02, math.pi / 4, 1.55, None)  # arg s; None: s = i omega exactly


def s_of(modulus, arg):
    if arg is None:
        return complex(0.0, modulus)
    return complex(modulus * math.cos(arg), modulus * math.sin(arg))


def row(values):
    return '{' + ', '.join('%.17g' % v for v in values) + '},'


def beam(L, s):
    L, b, e = mp.mpf(L), mp.mpf(BETA), mp.mpf(EI)
    s = mp.mpc(s.real, s.imag)
    k = mp.root(-s * s / b, 4)
    x = k * L
    c, ch, sn, sh = mp.cos(x), mp.cosh(x), mp.sin(x), mp.sinh(x)
    D = 1 - c * ch
    return x, [e * k**3 * (c * sh + sn * ch) / D, e * k**2 * sn * sh / D,
               -e * k**3 * (sn + sh) / D, e * k**2 * (ch - c) / D,
               e * k * (ch * sn - sh * c) / D, e * k * (sh - sn) / D]


print('// beam: L, s.re, s.im, then K00, K01, K02, K03, K11, K13 as (re, im)')
# (kappa L, L): L varies so that s spans small and large moduli as well
for kappaL, L in ((1e-4, 0.1), (1e-2, 1.0), (1.0, 100.0), (10.0, 500.0), (301.0, 3000.0),
                  (1000.0, 3000.0), (1e4, 20000.0)):
    for arg in ARGS:
        s = s_of((kappaL / L)**2 * math.sqrt(BETA), arg)
        x, K = beam(L, s)
        if arg is None:  # away from a natural frequency (cos x cosh x = 1)
            assert abs(mp.cos(x)) > 0.2, (kappaL, x)
        print(row([L, s.real, s.imag] + [float(p) for v in K for p in (v.real, v.imag)]))

print('// rod: s.re, s.im, then k00, k01 as (re, im)')
for modulus in (1e-6, 1e-2, 0.9, 3.0, 40.0, 1e3):
    for arg in ARGS:
        s = s_of(modulus, arg)
        lam = mp.mpc(s.real, s.imag)
        k00, k01 = lam * mp.coth(lam), -lam / mp.sinh(lam)
        print(row([s.real, s.imag, float(k00.real), float(k00.imag), float(k01.real),
                   float(k01.imag)]))
