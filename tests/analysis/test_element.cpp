// Element matrices against closed forms: rigid-body motions of the static matrix, the
// exact rod and clamped-clamped beam dynamic stiffness at complex s (also against values
// computed at high precision, from very short to very long members), and the
// low-frequency limit K(s) = K + s^2 M with the consistent mass matrix.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "analysis/element.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "support.h"

namespace {

using numeric::Complex;
using numeric::ComplexMatrix;
using numeric::RealMatrix;
using testsupport::cd;
using testsupport::ClassicalBeam;
using testsupport::Close;
using testsupport::ToStd;

// An element between a and b, derived quantities filled by the model.
fem::ElementRecord ElementBetween(const fem::Vec3& a, const fem::Vec3& b, double d = 10.0) {
    fem::ElementRecord e = testsupport::Bar(0, 1, d);
    fem::UpdateElement(e, a, b);
    return e;
}

double MaxAbs(const ComplexMatrix& K) {
    double m = 0.0;
    for (int i = 0; i < K.Rows(); ++i)
        for (int j = 0; j < K.Cols(); ++j) m = std::max(m, std::abs(ToStd(K(i, j))));
    return m;
}

// Reference values printed by tests/analysis/element_reference.py: the classical closed
// forms (rod: lambda coth lambda and -lambda csch lambda; beam: the clamped-clamped
// stiffness in cos, cosh, sin, sinh of the complex kappa L) evaluated with mpmath at 60
// significant digits for exactly these double inputs.
// Beam rows: L, Re s, Im s, then K00, K01, K02, K03, K11, K13 as (re, im), for kappa L =
// 1E-4, 1E-2, 1, 10, 301, 1000, 1E4, each at arg s = 0.02, pi/4, 1.55 and s = i omega.
const double kBeamBeta = 163645038167938.94;  // the default steel bar of 10 mm diameter
const double kBeamEI = 10308350.894591508;
const double kBeamRows[][15] = {
    {0.10000000000000001, 12.789823645380794, 0.25583058456187863, 123700210735.09808,
     1.5311180442513763e-08, 6185010536.7549047, 2.1592690367647616e-10, -123700210735.09808,
     5.3000239993316874e-09, 6185010536.7549047, -1.2759317035428138e-10, 412334035.78366029,
     3.9259437032086577e-12, 206167017.89183015, -2.9444577774064935e-12},
    {0.10000000000000001, 9.0455800855428556, 9.0455800855428539, 123700210735.09808,
     3.8288160465625608e-07, 6185010536.7549047, 5.399612373357458e-09, -123700210735.09808,
     1.3253594007331942e-07, 6185010536.7549047, -3.1906800388021343e-09, 412334035.78366029,
     9.8174770424681062e-11, 206167017.89183015, -7.3631077818510794e-11},
    {0.10000000000000001, 0.26601538164052935, 12.789615865406967, 123700210735.09808,
     1.5920470755128368e-08, 6185010536.7549047, 2.2451945936719493e-10, -123700210735.09808,
     5.5109321844675114e-09, 6185010536.7549047, -1.3267058962606973e-10, 412334035.78366029,
     4.0821719884944529e-12, 206167017.89183015, -3.0616289913708401e-12},
    {0.10000000000000001, 0, 12.792382036506686, 123700210735.09808, 0, 6185010536.7549047, 0,
     -123700210735.09808, 0, 6185010536.7549047, 0, 412334035.78366029, 0, 206167017.89183015, 0},
    {1, 1278.9823645380795, 25.583058456187871, 123700210.77335563, 0.001531118044221319,
     61850105.372944348, 0.00021592690367016465, -123700210.7218551, 0.00053000239990601923,
     61850105.364360921, -0.00012759317034833424, 41233403.579347, 3.925943703074691e-05,
     20616701.788447294, -2.9444577772771254e-05},
    {1, 904.55800855428561, 904.55800855428549, 123700210.73509811, 0.038288160465625616,
     61850105.367549054, 0.0053996123733574585, -123700210.73509809, 0.013253594007331943,
     61850105.367549047, -0.0031906800388021347, 41233403.578366034, 0.00098174770424681065,
     20616701.789183017, -0.00073631077818510794},
    {1, 26.60153816405294, 1278.9615865406968, 123700210.69684306, 0.0015920470755440889,
     61850105.362154111, 0.00022451945937375728, -123700210.74834023, 0.00055109321847497954,
     61850105.370736971, -0.00013267058963225319, 41233403.577385135, 4.0821719886337432e-05,
     20616701.789918691, -3.0616289915053484e-05},
    {1, 0, 1279.2382036506688, 123700210.69680995, 0, 61850105.36214944, 0, -123700210.74835169, 0,
     61850105.370739728, 0, 41233403.577384286, 0, 20616701.789919328, 0},
    {100, 1278.9823645380795, 25.583058456187871, 127.52222200834773, 0.15281207945385425,
     6238.8848949462226, 2.1529757691611136, -122.37929096000677, 0.052729585300570245,
     6153.2032886761672, -1.2700026965869002, 413313.33043606032, 39.125862668264098,
     205432.90648913727, -29.315600861540144},
    {100, 904.55800855428561, 904.55800855428549, 123.70397196210615, 3.8288088984085933,
     6185.0895154315122, 53.995970348808413, -123.69681341346472, 1.3253523454180216,
     6184.9361179631587, -31.906648182997071, 412335.7121620595, 981.74440909059194,
     206165.39906537582, -736.30749802904404},
    {100, 26.60153816405294, 1278.9615865406968, 119.87095069721379, 0.15951811881661176,
     6130.9822531792533, 2.2517760503056081, -125.02781650175855, 0.055392484869483137,
     6216.9640556418572, -1.3329083278832203, 411351.46327941277, 40.961420899968822,
     206904.30836824732, -30.751207104191391},
    {100, 0, 1279.2382036506688, 119.86762628492367, 0, 6130.9352803479906, 0, -125.02897454118099,
     0, 6216.9919087510443, 0, 411350.60839269264, 0, 206904.95078978332, 0},
    {500, 5115.9294581523181, 102.33223382475148, 116.57370654452558, 3.4982127307928863,
     4122.5277910870736, 82.461538104782036, -0.28073038598418543, 0.011477051426336165,
     9.9774400816052005, 0.19425203298726704, 291550.03751940746, 2915.5979528445696,
     4.5028531892335062, 49.402347986746577},
    {500, 3618.2320342171424, 3618.232034217142, 44.573826651692286, 107.69482863715979,
     2914.0676482077311, 2912.0965951375597, -1.9556000914385414, 3.0202866106254507,
     147.41045256315419, -101.2233303428962, 269366.84850749478, 111383.69263025181,
     8773.1390845609585, -1805.4293374447743},
    {500, 106.40615265621176, 5115.8463461627871, -134.60494820645093, 16.278374017131092,
     -2616.3407268979604, 658.14242547352706, -97.016098225817416, 9.5567692782298597,
     4856.1271275605532, -427.37775433237783, 74981.60478015829, 29400.801493629344,
     243008.92437476516, -18846.401605895266},
    {500, 0, 5116.9528146026751, -135.92034556574944, 0, -2673.1230841152201, 0,
     -98.267915940835906, 0, 4914.012894711791, 0, 72488.554400908091, 0, 245694.0617721928, 0},
    {3000, 128752.31245501614, 2575.3896435434185, 14717.852699233868, 441.66808935452957,
     103751.12402747052, 2075.2991944877981, -5.5804500184664592e-88, 3.1415982029495906e-88,
     6.2318364685508753e-87, 1.7677119081484927e-87, 1462607.2338879078, 14626.559894125927,
     3.3284321025978609e-86, 5.6346505624994808e-86},
    {3000, 91059.844592252019, 91059.844592252004, 5634.8138640561829, 13603.644052052376,
     73377.798426057372, 73377.798426057358, -1.8543414384120169e-46, -6.4742720687990505e-47,
     1.4605599024927468e-45, 1.3034257391916511e-45, 1351340.4539516275, 559743.54341017897,
     8.477561105111602e-45, 1.7572828298155876e-44},
    {3000, 2677.9177324459556, 128750.22078019295, -10045.105634318521, 10716.490597861683,
     2526.9228605281069, 103604.16631440882, 763.03769009900589, 495.76167506217485,
     -7553.2377603637105, -5019.956029087869, 1048662.2628999138, 1022051.3902083013,
     -74757.130034450063, -50812.85415245132},
    {3000, 0, 128778.06720994913, -3396.7774050789094, 0, 69916.953408097426, 0, 12554.495939931245,
     0, -125127.86651094264, 0, 1731117.9181326269, 0, -1247121.5931323187, 0},
    {3000, 1421091.5161534215, 28425.620506875406, 539690.73846272507, 16195.581119763134,
     1145143.2547926682, 22905.91929987305, 7.3960605826237209e-299, -1.3875138289859329e-299,
     -1.8759279432646862e-298, -1.2559085253403263e-298, 4859160.2454747763, 48593.22223962102,
     -1.3816233812423359e-298, -6.630147554306427e-298},
    {3000, 1005064.453949206, 1005064.4539492059, 206623.67789227728, 498833.68547494552,
     809900.53560178552, 809900.53560178541, 6.832414172317927e-162, -4.7994982602301828e-161,
     -7.4037636869988632e-161, 1.2518079114809834e-160, 4489503.1692745099, 1859613.101030495,
     -3.4891941648725168e-160, 2.6195698141107221e-160},
    {3000, 29557.264626725482, 1421068.4294896629, -369697.19294945372, 393512.86665368191,
     23817.818156705351, 1145124.6517158044, 13.531655313363816, -18.949260639020441,
     -41.18387323261792, 56.422603220044778, 3471659.8626183663, 3400202.5469115083,
     -125.30498307202923, 167.97397219337589},
    {3000, 0, 1421375.7818340762, -943146.97112477326, 0, -1684068.5917530411, 0,
     678885.09720514796, 0, -2036655.291615444, 0, -1616088.8103952871, 0, -6109965.8748463318, 0},
    {20000, 3197455.9113451988, 63957.646140469667, 1821456.2423116977, 54660.086279200579,
     2576572.3232835033, 51538.318424714365, 0, 0, -0, -0, 7288740.3682121653, 72889.833359431534,
     0, -0},
    {20000, 2261395.0213857139, 2261395.0213857135, 697354.91288643598, 1683563.6884779413,
     1822276.2051040176, 1822276.2051040172, -0, 0, 0, -0, 6734254.7539117653, 2789419.6515457425,
     0, 0},
    {20000, 66503.845410132344, 3197403.9663517419, -1247728.0239145639, 1328105.9242494768,
     53590.095446721054, 2576530.4649948562, -1.7565144838652204e-39, -3.5391678510919689e-40,
     3.505479015440726e-39, 7.443236954081484e-40, 5207489.803143722, 5100303.8177315416,
     6.9951000957157022e-39, 1.5614666874075342e-39},
    {20000, 0, 3198095.5091266716, -1702129.2471665277, 0, -827170.77068517799, 0,
     -1353291.600067453, 0, 2706583.200134906, 0, 3499833.9059253982, 0, 5413166.400269812, 0},
};
// Rod rows (c = Y = L = 1, so lambda = s): Re s, Im s, then k00 and k01 as (re, im), for
// |s| = 1E-6, 1E-2, 0.9, 3, 40, 1000 at the same four arguments.
const double kRodRows[][6] = {
    {9.9980000666657762e-07, 1.999866669333308e-08, 1.0000000000003331, 1.3329778062209609e-14,
     -0.99999999999983347, 6.6648890311041389e-15},
    {7.0710678118654758e-07, 7.0710678118654747e-07, 1, 3.3333333333333334e-13, -1,
     1.6666666666666667e-13},
    {2.0794827803092428e-08, 9.9978376418935688e-07, 0.99999999999966693, 1.3860220811098675e-14,
     -1.0000000000001665, 6.9301104055500294e-15},
    {0, 9.9999999999999995e-07, 0.99999999999966671, 0, -1.0000000000001668, 0},
    {0.009998000066665777, 0.00019998666693333081, 1.0000333064487126, 1.3329600476536123e-06,
     -0.99998334685870949, 6.6647336438773583e-07},
    {0.0070710678118654762, 0.0070710678118654745, 1.0000000002222222, 3.3333333331216932e-05,
     -0.99999999980555554, 1.6666666664616404e-05},
    {0.00020794827803092427, 0.0099978376418935703, 0.99996669527353499, 1.3860405456848193e-06,
     -1.0000166524462786, 6.9302719708277953e-07},
    {0, 0.01, 0.99996666644444232, 0, -1.0000166668611132, 0},
    {0.89982000599991996, 0.017998800023999773, 1.2562841300333274, 0.0097534431363741365,
     -0.87682542003069353, 0.0044964304525289813},
    {0.63639610306789285, 0.63639610306789274, 1.0144895030313976, 0.26888266129655414,
     -0.9873322855156198, 0.13391779495841014},
    {0.018715345022783186, 0.89980538777042129, 0.71449014306488279, 0.012594994660910151,
     -1.1487748222642629, 0.0068256794946570882},
    {0, 0.90000000000000002, 0.71419603305808543, 0, -1.1489455921130061, 0},
    {2.999400019999733, 0.059996000079999237, 3.0142521622212026, 0.058501467542232413,
     -0.29939674276947148, 0.012070367814083747},
    {2.1213203435596428, 2.1213203435596424, 2.039566742125261, 2.1468715190138448,
     -0.17511894945368475, 0.69274199383834623},
    {0.062384483409277283, 2.999351292568071, -17.379722402070858, 8.1836388996599592,
     -17.595145025560324, 8.0940785136434634},
    {0, 3, -21.0457576543036, 0, -21.258502187211558, 0},
    {39.992000266663112, 0.79994666773332324, 39.992000266663112, 0.79994666773332324,
     -2.4357047748599811e-16, 2.4092920341109608e-16},
    {28.284271247461902, 28.284271247461898, 28.284271247461902, 28.284271247461898,
     2.9726597226372603e-11, 2.9141583362847834e-11},
    {0.83179311212369711, 39.99135056757428, -13.122356958602227, 35.848925851816105,
     -28.319627650664156, 17.785789339105744},
    {0, 40, -35.803316705516508, 0, -53.68312106347318, 0},
    {999.8000066665777, 19.998666693333082, 999.8000066665777, 19.998666693333082, -0, 0},
    {707.10678118654755, 707.10678118654744, 707.10678118654755, 707.10678118654744,
     1.3886226610637262e-304, 8.2666133278254458e-305},
    {20.794827803092428, 999.78376418935704, 20.794827803092428, 999.78376418935704,
     -1.3068982246593316e-06, -1.326123545268281e-06},
    {0, 1000, 680.12213233486978, 0, -1209.3659970793499, 0},
};

TEST(ElementStatic, SymmetricAndFreeOfRigidBodyForces) {
    // A general direction exercises the last branch of the local axes.
    const fem::Vec3 a{10, -20, 5}, b{70, 40, 95};
    const fem::ElementRecord e = ElementBetween(a, b, 12.0);
    RealMatrix K;
    fem::ElementWork work;
    fem::ElemStiffStat(e, work, K);
    double scale = 0.0;
    for (int i = 0; i < 12; ++i)
        for (int j = 0; j < 12; ++j) {
            EXPECT_TRUE(Close(K(i, j), K(j, i), 1e-13, 1e-13 * std::fabs(K(0, 0))));
            scale = std::max(scale, std::fabs(K(i, j)));
        }
    // Three rigid translations and three rigid rotations about the origin.
    for (int mode = 0; mode < 6; ++mode) {
        double u[12] = {};
        if (mode < 3) {
            u[mode] = u[6 + mode] = 1.0;
        } else {
            double w[3] = {0, 0, 0};
            w[mode - 3] = 1e-3;
            const fem::Vec3* p[2] = {&a, &b};
            for (int n = 0; n < 2; ++n) {
                const fem::Vec3& r = *p[n];
                u[6 * n + 0] = w[1] * r[2] - w[2] * r[1];
                u[6 * n + 1] = w[2] * r[0] - w[0] * r[2];
                u[6 * n + 2] = w[0] * r[1] - w[1] * r[0];
                for (int j = 0; j < 3; ++j) u[6 * n + 3 + j] = w[j];
            }
        }
        double unorm = 0.0;
        for (double v : u) unorm = std::max(unorm, std::fabs(v));
        for (int i = 0; i < 12; ++i) {
            double f = 0.0;
            for (int j = 0; j < 12; ++j) f += K(i, j) * u[j];
            EXPECT_LE(std::fabs(f), 1e-11 * scale * unorm * 200) << "mode " << mode << " row " << i;
        }
    }
}

TEST(ElementDynamic, RodMatchesHyperbolicClosedForm) {
    const double c = 5.117e6, Y = 1.649e6, L = 137.0;
    ComplexMatrix k;
    for (cd s : {cd(5000, 0), cd(5000, numeric::TwoPi * 1000 * 37), cd(200, -3e5)}) {
        fem::RodStiffDyn(c, Y, Complex{s.real(), s.imag()}, L, k);
        const cd lam = s * L / c;
        const cd diag = Y * s / c / std::tanh(lam);
        const cd off = -Y * s / c / std::sinh(lam);
        EXPECT_TRUE(Close(ToStd(k(0, 0)), diag, 1e-12));
        EXPECT_TRUE(Close(ToStd(k(1, 1)), diag, 1e-12));
        EXPECT_TRUE(Close(ToStd(k(0, 1)), off, 1e-12));
        EXPECT_TRUE(Close(ToStd(k(1, 0)), off, 1e-12));
        if (s.imag() == 0.0) {
            EXPECT_EQ(k(0, 1).im, 0.0);
        }
    }
}

TEST(ElementDynamic, BeamMatchesClassicalClampedClampedStiffness) {
    const fem::ElementRecord e = ElementBetween({0, 0, 0}, {100, 0, 0});
    const double m = testsupport::MassPerLength(e);
    ComplexMatrix k;
    // From low to high frequency; at the last point |kappa L| is about 35.
    for (cd s :
         {cd(5000, 0), cd(5000, numeric::TwoPi * 1000 * 3), cd(5000, numeric::TwoPi * 1000 * 37),
          cd(5000, numeric::TwoPi * 1000 * 256), cd(-300, 2e4)}) {
        cd expected[4][4];
        ClassicalBeam(s, e.EIz, m, e.Length, expected);
        for (int plane = 0; plane < 2; ++plane) {
            fem::BeamStiffDyn(e.BendCoefZ, e.EIz, Complex{s.real(), s.imag()}, e.Length, plane, k);
            const double scale = MaxAbs(k);
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j) {
                    // Plane 1 bends in local x-z, where a positive rotation about y turns a
                    // positive deflection into a negative slope.
                    const cd want =
                        (plane == 1 && (i + j) % 2 == 1) ? -expected[i][j] : expected[i][j];
                    EXPECT_TRUE(Close(ToStd(k(i, j)), want, 1e-9, 1e-10 * scale))
                        << "s " << s << " plane " << plane << " (" << i << "," << j << ")";
                }
        }
    }
}

// At real s and at imaginary s (a steady vibration) the matrix is real.
TEST(ElementDynamic, SymmetricEverywhereAndRealOnTheAxes) {
    const fem::ElementRecord e = ElementBetween({10, -20, 5}, {70, 40, 95});
    ComplexMatrix K;
    fem::ElementWork work;
    for (cd s :
         {cd(5000, 0), cd(12.5, 0), cd(5000, 2.3e5), cd(800, -7e3), cd(0, 2.3e5), cd(0, 3e6)}) {
        fem::ElemStiffDyn(Complex{s.real(), s.imag()}, e, work, K);
        const double scale = MaxAbs(K);
        for (int i = 0; i < 12; ++i)
            for (int j = 0; j < 12; ++j) {
                EXPECT_TRUE(Close(ToStd(K(i, j)), ToStd(K(j, i)), 1e-9, 1e-11 * scale));
                if (s.imag() == 0.0 || s.real() == 0.0) {
                    EXPECT_LE(std::fabs(K(i, j).im), 1e-10 * scale);
                }
            }
    }
}

// K(s) = K + s^2 M + O(s^4): the consistent mass matrices of rod, torsion and cubic beam.
TEST(ElementDynamic, TendsToStaticPlusConsistentMassAsSGoesToZero) {
    const fem::ElementRecord e = ElementBetween({0, 0, 0}, {100, 0, 0});  // local = global axes
    const double L = e.Length, m = testsupport::MassPerLength(e);
    const double mJ = e.Density * e.PolarJ / fem::kGravity;  // polar mass moment per length
    double M[12][12] = {};
    auto rod = [&](int a, int b, double mass) {
        M[a][a] = M[b][b] = mass * L / 3.0;
        M[a][b] = M[b][a] = mass * L / 6.0;
    };
    rod(0, 6, m);
    rod(3, 9, mJ);
    const double beam[4][4] = {{156, 22 * L, 54, -13 * L},
                               {22 * L, 4 * L * L, 13 * L, -3 * L * L},
                               {54, 13 * L, 156, -22 * L},
                               {-13 * L, -3 * L * L, -22 * L, 4 * L * L}};
    const int plane0[4] = {1, 5, 7, 11}, plane1[4] = {2, 4, 8, 10};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            M[plane0[i]][plane0[j]] = m * L / 420.0 * beam[i][j];
            M[plane1[i]][plane1[j]] = m * L / 420.0 * beam[i][j] * ((i + j) % 2 ? -1 : 1);
        }
    RealMatrix Ks;
    fem::ElementWork work;
    fem::ElemStiffStat(e, work, Ks);
    ComplexMatrix Kd;
    for (cd s : {cd(0, 0), cd(200, 0), cd(120, 160)}) {
        fem::ElemStiffDyn(Complex{s.real(), s.imag()}, e, work, Kd);
        for (int i = 0; i < 12; ++i)
            for (int j = 0; j < 12; ++j) {
                const cd mass = s * s * M[i][j];
                const cd diff = testsupport::ToStd(Kd(i, j)) - Ks(i, j);
                EXPECT_TRUE(Close(diff, mass, 2e-3, 1e-9 * std::fabs(Ks(i, j))))
                    << "s " << s << " (" << i << "," << j << ")";
            }
    }
}

// Entries are compared with the tolerance 1E-11 sqrt(|Kii Kjj|) of the reference, which
// for every entry is at most 1E-11 of the largest entry of the block.
TEST(ElementDynamic, BeamMatchesHighPrecisionValuesForKappaLFrom1EMinus4To1E4) {
    ComplexMatrix k;
    for (const auto& row : kBeamRows) {
        const double L = row[0];
        const cd s(row[1], row[2]);
        cd v[6];
        for (int n = 0; n < 6; ++n) v[n] = cd(row[3 + 2 * n], row[4 + 2 * n]);
        // K00 K01 K02 K03 K11 K13 and the relations of the clamped-clamped block.
        const cd want[4][4] = {{v[0], v[1], v[2], v[3]},
                               {v[1], v[4], -v[3], v[5]},
                               {v[2], -v[3], v[0], -v[1]},
                               {v[3], v[5], -v[1], v[4]}};
        fem::BeamStiffDyn(kBeamBeta, kBeamEI, Complex{s.real(), s.imag()}, L, 0, k);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                const double tol = 1e-11 * std::sqrt(std::abs(want[i][i]) * std::abs(want[j][j]));
                EXPECT_TRUE(Close(ToStd(k(i, j)), want[i][j], 0.0, tol))
                    << "L " << L << " s " << s << " (" << i << "," << j << ")";
                EXPECT_EQ(ToStd(k(i, j)), ToStd(k(j, i)));
                // On the imaginary axis the block is real.
                if (s.real() == 0.0) {
                    EXPECT_LE(std::fabs(k(i, j).im), 1e-14 * std::abs(want[i][j]));
                }
            }
    }
}

TEST(ElementDynamic, RodMatchesHighPrecisionValuesFromTinyToHugeLambda) {
    ComplexMatrix k;
    for (const auto& row : kRodRows) {
        const cd s(row[0], row[1]), diag(row[2], row[3]), off(row[4], row[5]);
        fem::RodStiffDyn(1.0, 1.0, Complex{s.real(), s.imag()}, 1.0, k);
        const double scale = std::max(std::abs(diag), std::abs(off));
        EXPECT_TRUE(Close(ToStd(k(0, 0)), diag, 0.0, 1e-11 * scale)) << "lambda " << s;
        EXPECT_TRUE(Close(ToStd(k(0, 1)), off, 0.0, 1e-11 * scale)) << "lambda " << s;
        EXPECT_EQ(ToStd(k(1, 1)), ToStd(k(0, 0)));
        EXPECT_EQ(ToStd(k(1, 0)), ToStd(k(0, 1)));
        if (s.real() == 0.0) {
            EXPECT_LE(std::fabs(k(0, 0).im) + std::fabs(k(0, 1).im), 1e-14 * scale);
        }
    }
}

TEST(ElementDynamic, OnlyAnImpossibleElementFails) {
    ComplexMatrix K;
    fem::ElementWork work;
    // 5 m of 5 mm wire at 256 kHz: e^(kappa L) would be about e^4000.
    const fem::ElementRecord wire = ElementBetween({0, 0, 0}, {5000, 0, 0}, 5.0);
    fem::ElemStiffDyn(Complex{5000, numeric::TwoPi * 1000 * 256}, wire, work, K);
    for (int i = 0; i < 12; ++i)
        for (int j = 0; j < 12; ++j) {
            EXPECT_TRUE(std::isfinite(K(i, j).re) && std::isfinite(K(i, j).im));
            EXPECT_EQ(ToStd(K(i, j)), ToStd(K(j, i)));
        }
    fem::ElementRecord point = ElementBetween({0, 0, 0}, {100, 0, 0});
    point.Length = 0.0;
    EXPECT_THROW(fem::ElemStiffDyn(Complex{5000, 0}, point, work, K), numeric::ComputationFailure);
}

}  // namespace
