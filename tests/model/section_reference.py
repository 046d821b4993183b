#!/usr/bin/env python3
"""Reference values of the section tests (tests/model/test_section.cpp and
tests/analysis/test_sections.cpp), computed independently of the program: exact
fractions for the polygonal sections, mpmath at 40 digits for the circles and for
Saint-Venant's torsion series of the rectangle (summed to convergence by nsum).

Output of `python3 section_reference.py` (Debian's python3-mpmath 1.2.1):
  sum of 1/n^5 over odd n: 1.004523762795139616133510315005251850305
  rectangle J / (a b^3), a/b = 1: 0.1405770149551537155884687307377311152676
  rectangle J / (a b^3), a/b = 2: 0.228681677119570765025600959525157947379
  rectangle J / (a b^3), a/b = 10: 0.3123250374572053855437450318689269766277
  rectangle 50 x 9: J = 10771.64577977130646723494945425121547604
  I 200 x 100 x 5.5 x 8: A = 2612 , Iy = 17609322.666666668 , Iz = 1335884.4166666667 , J = 44781.333333333336 , Iy + Iz = 18945207.083333332
  box 100 x 150 x 6: A = 2856 , Iy = 8852472 , Iz = 4663072 , J = 9238149.37815126
  tube 60.5 x 3.2: A = 576.0424289622244882045102907581296488464 , I = 237151.6276324944023295250972400778427956 , J = 474303.2552649888046590501944801556855913
"""
from fractions import Fraction as F

from mpmath import inf, mp, mpf, nsum, pi, tanh, zeta

mp.dps = 40


def rectangle_torsion(a, b):
    """J of an a x b rectangle, a >= b, by the series (Timoshenko and Goodier)."""
    a, b = mpf(a), mpf(b)
    s = nsum(lambda k: tanh((2 * k + 1) * pi * a / (2 * b)) / (2 * k + 1) ** 5, [0, inf])
    return a * b**3 / 3 * (1 - 192 / pi**5 * (b / a) * s)


# The constant of model/section.cpp: the sum of 1/n^5 over odd n.
print("sum of 1/n^5 over odd n:", (1 - mpf(2) ** -5) * zeta(5))
for ratio in (1, 2, 10):
    print(f"rectangle J / (a b^3), a/b = {ratio}:", rectangle_torsion(ratio, 1) / ratio)
print("rectangle 50 x 9: J =", rectangle_torsion(50, 9))

h, b, tw, tf = F(200), F(100), F(11, 2), F(8)
hw = h - 2 * tf
Iy = (b * h**3 - (b - tw) * hw**3) / 12
Iz = (2 * tf * b**3 + hw * tw**3) / 12
print("I 200 x 100 x 5.5 x 8: A =", 2 * b * tf + hw * tw, ", Iy =", float(Iy), ", Iz =", float(Iz),
      ", J =", float((2 * b * tf**3 + (h - tf) * tw**3) / 3), ", Iy + Iz =", float(Iy + Iz))

b, h, t = F(100), F(150), F(6)
print("box 100 x 150 x 6: A =", b * h - (b - 2 * t) * (h - 2 * t),
      ", Iy =", (b * h**3 - (b - 2 * t) * (h - 2 * t) ** 3) / 12,
      ", Iz =", (h * b**3 - (h - 2 * t) * (b - 2 * t) ** 3) / 12,
      ", J =", float(4 * ((b - t) * (h - t)) ** 2 * t / (2 * (b - t + h - t))))

d, t = mpf("60.5"), mpf("3.2")
di = d - 2 * t
print("tube 60.5 x 3.2: A =", pi / 4 * (d**2 - di**2), ", I =", pi / 64 * (d**4 - di**4),
      ", J =", pi / 32 * (d**4 - di**4))
