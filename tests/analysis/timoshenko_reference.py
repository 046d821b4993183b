#!/usr/bin/env python3
"""Reference values of tests/analysis/test_timoshenko.cpp, computed with mpmath from the
Timoshenko equations themselves (not from the program's formulas):

  kGA (w'' - psi') = rhoA s^2 w,   EI psi'' + kGA (w' - psi) = rhoI s^2 psi.

For each root lam^2 of EI kGA lam^4 - s^2 (kGA rhoI + rhoA EI) lam^2
+ rhoA s^2 (kGA + rhoI s^2) = 0 (Re lam >= 0) the two solutions e^(-lam x) and
e^(lam (x - L)), each decaying from one end, have w = kappa e, psi = (kappa^2 - rhoA s^2 /
kGA) e for the exponent kappa = -lam or lam, shear force V = kGA (w' - psi) = rhoA s^2 e and
moment M = EI psi' = EI kappa psi. With the end displacements D and end forces
F = (-V(0), -M(0), V(L), M(L)) of the four solutions, K = F D^-1, solved at a precision
that is raised until it no longer changes the result (checked 30 digits further).

The section: steel (E 21000 kgf/mm^2, G 8000 kgf/mm^2, weight density 7.86E-6 kgf/mm^3,
g = 9800 mm/s^2), rectangle 20 mm wide and 40 mm deep bent about its strong axis, shear
area 5/6 of the area. The inputs are the doubles printed below; run:
python3 timoshenko_reference.py
"""
import math
import mpmath as mp

E, G, WEIGHT, GRAVITY = 21000.0, 8000.0, 7.86e-6, 9800.0
WIDTH, DEPTH = 20.0, 40.0
AREA = WIDTH * DEPTH
INERTIA = WIDTH * DEPTH**3 / 12.0
EI = E * INERTIA
KGA = G * AREA * 5.0 / 6.0
RHOA = WEIGHT / GRAVITY * AREA
RHOI = WEIGHT / GRAVITY * INERTIA
OMEGA_C = math.sqrt(KGA / RHOI)


def block(L, s, dps):
    with mp.workdps(dps):
        L, s = mp.mpf(L), mp.mpc(s.real, s.imag)
        ei, kga, ra, ri = mp.mpf(EI), mp.mpf(KGA), mp.mpf(RHOA), mp.mpf(RHOI)
        s2 = s * s
        a, b, c = ei * kga, -s2 * (kga * ri + ra * ei), ra * s2 * (kga + ri * s2)
        d = mp.sqrt(b * b - 4 * a * c)
        cols = []
        for lam2 in ((-b + d) / (2 * a), (-b - d) / (2 * a)):
            lam = mp.sqrt(lam2)
            if mp.re(lam) < 0:
                lam = -lam
            for kappa, shift in ((-lam, 0), (lam, L)):
                w, psi = kappa, kappa * kappa - ra * s2 / kga
                V, M = ra * s2, ei * kappa * psi
                e0, e1 = mp.exp(kappa * (0 - shift)), mp.exp(kappa * (L - shift))
                cols.append(([w * e0, psi * e0, w * e1, psi * e1],
                             [-V * e0, -M * e0, V * e1, M * e1]))
        D = mp.matrix([[col[0][i] for col in cols] for i in range(4)])
        F = mp.matrix([[col[1][i] for col in cols] for i in range(4)])
        K = F * mp.inverse(D)
        # largest root modulus, times L: the phase of the member
        mu = max(abs(mp.sqrt((-b + d) / (2 * a))), abs(mp.sqrt((-b - d) / (2 * a)))) * L
        return [K[0, 0], K[0, 1], K[0, 2], K[0, 3], K[1, 1], K[1, 3]], K, float(mu)


def reference(L, s):
    dps = 60
    while True:
        v, K, mu = block(L, s, dps)
        w, _, _ = block(L, s, dps + 30)
        scale = max(abs(x) for x in w)
        if max(abs(x - y) for x, y in zip(v, w)) < mp.mpf(10)**-30 * scale:
            return w, K, mu
        dps *= 2


def resonant(K):
    # an entry far above the diagonal scale: s close to a clamped natural frequency
    return any(abs(K[i, j]) > 20 * mp.sqrt(abs(K[i, i] * K[j, j]))
               for i in range(4) for j in range(4))


def row(values):
    return '{' + ', '.join('%.17g' % v for v in values) + '},'


def s_of(modulus, arg):
    if arg is None:
        return complex(0.0, modulus)
    return complex(modulus * math.cos(arg), modulus * math.sin(arg))


def emit(L, s, nudge=True):
    K6, K, mu = reference(L, s)
    while nudge and resonant(K):
        s = s * 1.0625
        K6, K, mu = reference(L, s)
    print(row([L, s.real, s.imag, mu] + [float(p) for v in K6 for p in (v.real, v.imag)]))


print('// EI, kGA, rhoA, rhoI, omega_c')
print(row([EI, KGA, RHOA, RHOI, OMEGA_C]))
print('// L, Re s, Im s, |mu| L, then K00, K01, K02, K03, K11, K13 as (re, im)')
# kappa L = (|s|^2 rhoA / EI)^(1/4) L, the Euler-Bernoulli measure of BeamStiffDyn
for kappaL, L in ((1e-3, 10.0), (1e-2, 50.0), (0.1, 100.0), (1.0, 300.0), (10.0, 1000.0),
                  (100.0, 3000.0), (1e3, 10000.0), (1e4, 20000.0)):
    for arg in (0.02, math.pi / 4, 1.55, None):
        emit(L, s_of((kappaL / L)**2 * math.sqrt(EI / RHOA), arg))
print('// near and far above omega_c = sqrt(kGA / rhoI), L = 1000')
for factor in (1 - 1e-3, 1 - 1e-7, 1.0, 1 + 1e-7, 1 + 1e-3):
    emit(1000.0, complex(0.0, OMEGA_C * factor), nudge=False)
for modulus, arg in ((OMEGA_C, 1.2), (OMEGA_C, 1.5707), (30 * OMEGA_C, None),
                     (100 * OMEGA_C, 1.5), (100 * OMEGA_C, None)):
    emit(1000.0, s_of(modulus, arg))
