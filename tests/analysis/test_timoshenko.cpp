// Exact Timoshenko members against closed forms and independent methods: the static
// shear-flexible block and a cantilever, the Euler-Bernoulli limit, pinned-pinned
// frequencies of both spectra, the clamped-clamped count against a bisected determinant,
// values computed at high precision from kappa L = 1E-3 to 1E4 and around omega_c, a member
// cut in two and condensed, and the field along the member against exact solutions.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "analysis/element.h"
#include "analysis/timoshenko.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "support.h"

namespace {

using numeric::Complex;
using numeric::ComplexMatrix;
using numeric::RealMatrix;
using testsupport::cd;
using testsupport::Close;
using testsupport::ToStd;

// Printed by tests/analysis/timoshenko_reference.py: steel, a rectangle 20 mm wide and 40 mm
// deep, shear area 5/6 of the area. EI, kGA, rhoA, rhoI and omega_c = sqrt(kGA / rhoI).
const fem::TimoshenkoSection kBar{2240000000, 5333333.333333333, 6.4163265306122449e-07,
                                  8.5551020408163272e-05};
const double kCutoff = 249681.73125224758;

// Rows of the same script: the block from the Timoshenko equations by a 4 x 4 solve with
// solutions decaying from either end, in mpmath at up to 120 digits, for these double inputs.
// L, Re s, Im s, |mu| L (largest root times L), then K00, K01, K02, K03, K11, K13 as
// (re, im); kappa L = 1E-3 .. 1E4 at arg s = 0.02, pi/4, 1.55 and s = i omega, then s near
// and far above i omega_c.
const double kRows[][16] = {
    {10, 0.59073664996387532, 0.011816308549099194, 0.0010000000276662215, 522957.19844432862,
     2.9971203449549998e-08, 2614785.9922185512, 2.6122482052430074e-08, -522957.19844320952,
     1.4816850839448804e-08, 2614785.9922166863, -4.8524275095887435e-08, 237073929.96118796,
     3.9409856584221175e-06, -210926070.03886551, 1.8011119535020132e-06},
    {10, 0.41779744778915873, 0.41779744778915867, 0.001000000978164859, 522957.19844357972,
     7.4947993156595832e-07, 2614785.9922178988, 6.5323623370527911e-07, -522957.19844357972,
     3.7052006843404122e-07, 2614785.9922178988, -1.2134304329613868e-06, 237073929.96108949,
     9.8550919603459351e-05, -210926070.03891051, 4.5039808492348259e-05},
    {10, 0.012286724175899251, 0.59072705301796957, 0.0010000013830337648, 522957.19844283088,
     3.1163872034987258e-08, 2614785.992217246, 2.7161995322922997e-08, -522957.19844394992,
     1.5406469890330776e-08, 2614785.992219111, -5.0455241219288093e-08, 237073929.96099102,
     4.097812520522558e-06, -210926070.03895551, 1.8727850729809086e-06},
    {10, 0, 0.59085481698829334, 0.0010000013833328901, 522957.19844283024, 2.9009821097770001e-78,
     2614785.9922172455, 1.4504657234628581e-77, -522957.19844395027, -2.9009821097961307e-78,
     2614785.9922191119, 1.4505039604697795e-77, 237073929.96099094, 7.252594658248054e-77,
     -210926070.03895554, 7.2523720332415173e-77},
    {50, 2.3629465998555013, 0.047265234196396777, 0.010000001106816772, 71299.734811028684,
     2.522068100080595e-06, 1782493.3690527172, 1.4105606047086423e-05, -71299.734721500354,
     1.0609762419399256e-06, 1782493.3683066478, -1.5753096800646651e-05, 89362334.2260831,
     0.00034324165592075124, -237665.78535663709, -0.00011459178779559169},
    {50, 1.6711897911566349, 1.6711897911566347, 0.010000039126651768, 71299.734748010611,
     6.3068519443604029e-05, 1782493.3687002652, 0.00035273420624925227, -71299.734748010611,
     2.653148055639594e-05, 1782493.3687002652, -0.0003939324604174141, 89362334.217506632,
     0.0085833301046545317, -237665.78249337044, -0.0028655587842343522},
    {50, 0.049146896703597003, 2.3629082120718783, 0.010000055321297502, 71299.734684996627,
     2.6224308177819088e-06, 1782493.368347836, 1.4666921964622224e-05, -71299.734774519136,
     1.1031965373865915e-06, 1782493.369093857, -1.6379972664316725e-05, 89362334.208930716,
     0.00035690055170633687, -237665.77963028994, -0.00011915183255092784},
    {50, 0, 2.3634192679531734, 0.010000055333262422, 71299.734684942086, -5.7874729478656446e-81,
     1782493.368347531, -1.4468448974341168e-79, -71299.734774542085, 5.7874729452303412e-81,
     1782493.3690941976, -1.4468188478057105e-79, 89362334.208923295, -3.6172108043993824e-78,
     -237665.77962781166, -3.617109697095385e-78},
    {100, 59.073664996387528, 1.1816308549099195, 0.1000002780474766, 17872.422047349544,
     0.0032666138769352621, 893618.08138253039, 0.042426843467605641, -17872.310136992179,
     0.0012121871761983729, 893616.21621015307, -0.032219821074534381, 67080874.877855204,
     0.95306886856473039, 22280832.600613303, -0.73892230234818779},
    {100, 41.779744778915877, 41.77974477891587, 0.10000978212207572, 17872.340425562117,
     0.081687188773183081, 893617.02127719531, 1.0609551833405091, -17872.340425507362,
     0.030312811226782848, 893617.02127603651, -0.80571148332542564, 67080851.063842431,
     23.83310195663412, 22280851.063817512, -18.478009154461244},
    {100, 1.2286724175899251, 59.072705301796958, 0.10001382989973495, 17872.258808960185,
     0.0033966099310766967, 893615.96123838169, 0.044115269155016942, -17872.370712151584,
     0.0012604288110624861, 893617.82629181701, -0.033502063672447256, 67080827.251327284,
     0.99099721761759152, 22280869.525870472, -0.76832888089155615},
    {100, 0, 59.085481698829334, 0.10001383289020017, 17872.258738312939, 9.9461173933464299e-84,
     893615.96032081277, 4.966724976584236e-82, -17872.370738367692, -9.946118602365706e-84,
     893617.82698863826, 4.9669417851020586e-82, 67080827.230715185, 2.4810719558397424e-80,
     22280869.541851215, 2.480794208735928e-80},
    {300, 656.37405551541713, 13.129231721221331, 1.0000324660515458, 973.45679399006201,
     1.2269199237138546, 142699.64095178136, 51.349831857548409, -932.08182253223379,
     0.42602525847121014, 140631.92202707389, -31.214984566259503, 28750195.156418733,
     2851.6334131291942, 13690977.13124807, -2174.33214481799},
    {300, 464.21938643239872, 464.21938643239861, 1.0010874381050805, 942.80033898804675,
     30.75954353002108, 141416.59161004756, 1288.9612198255861, -942.7265945838268,
     10.72175646724283, 141411.86882257095, -785.10114100363603, 28678943.101338491,
     71618.537052923668, 13745305.691445045, -54668.772615304617},
    {300, 13.651915750999169, 656.36339224218852, 1.0015361593409728, 911.98855849735992,
     1.282290891995254, 140123.8414658515, 53.800428669146143, -953.50783510529743,
     0.448686664460553, 142200.83991421765, -32.834823900576403, 28607075.837837767,
     2990.9067883644193, 13800225.129281245, -2285.5947658955806},
    {300, 0, 656.50535220921495, 1.0015364907225561, 911.96181908978451, -3.764264759116115e-89,
     140122.71818439264, -5.4663337717804973e-87, -953.51722736545366, 3.6509286122271865e-89,
     142201.52681766823, -4.7665947640025853e-87, 28607013.358527012, -6.3472093524651735e-85,
     13800272.927548638, -7.9338092713109362e-85},
    {1000, 5907.3664996387533, 118.16308549099196, 10.004164575092156, 3080.2011950657088,
     90.76176606649787, 214876.01977715467, 4122.560276523619, -6.5274014289115865,
     0.26216789867182511, 418.08866475088792, 11.328458000018982, 30822551.349894892,
     291871.15326665039, -7766.9594994954232, 4875.0196072158496},
    {1000, 4177.9744778915883, 4177.9744778915874, 10.098281738694642, 1242.426880478539,
     2844.6490300478526, 158082.61285406339, 149094.64449163325, -37.646393168425114,
     75.506502804854165, 6316.5786758668837, -5246.8957289392765, 28909194.023434438,
     11319404.542568922, 777324.89732902288, -217662.59177185752},
    {1000, 122.86724175899252, 5907.2705301796968, 10.137867012818267, -4332.0550384528087,
     615.27506788715266, -201014.0675264301, 50653.91300332352, -3134.4408436980102,
     431.42864685999933, 305184.18020050088, -38589.268462224165, 2491544.2228073343,
     4485850.4885584861, 29706011.458289806, -3425481.4961319906},
    {1000, 0, 5908.5481698829344, 10.137896150649322, -4402.7668397300531, -3.4643786421444851e-88,
     -207208.08224761678, -3.3667574321582446e-86, -3202.5399064129397, -3.0419238375093245e-88,
     311359.90240513626, 2.9566407422774151e-86, 1943507.706201677, -2.2231219362433486e-84,
     30266738.314961877, 2.1585798363802797e-84},
    {3000, 65637.405551541699, 1312.9231721221329, 101.98065077784253, 90524.505364322118,
     2325.1443425323887, 1658484.9819773592, 21378.339824539074, 2.897413235805318e-31,
     -5.2628532937656174e-31, -1.0223203092714946e-29, 5.712066244746133e-30, 84265005.758131295,
     587557.65217432799, -2.1174340486738273e-29, -3.2940126377844901e-28},
    {3000, 46421.938643239868, 46421.938643239861, 111.31014870089689, 50228.719776902573,
     80451.291866113621, 1567384.3890085204, 893257.89806618227, 3.2322425674508777e-18,
     1.4122019573681874e-18, -4.2689512984133402e-17, -7.3505490701664383e-17, 82549398.00411287,
     22118100.987025585, 2.1788287558799178e-16, -2.0368278943872941e-15},
    {3000, 1365.1915750999169, 65636.339224218842, 114.88910687703702, -39212.579191583136,
     97035.193712888067, 1243484.5049997009, 2033671.5206782036, -33252.665554749365,
     -27242.63137515121, 704375.26733219274, 598371.33370381675, 88655396.111393988,
     43802710.723308116, 14912276.546084948, 13132970.728459833},
    {3000, 0, 65650.535220921491, 114.89167740405001, 39687.742478564614, 6.3091515742552489e-87,
     2977086.0918538072, 1.3586521743846908e-85, -133487.07428136663, -4.4496190998970261e-87,
     2869714.7974562147, 9.5713900173106066e-86, 126703607.26685998, 1.5654048391291447e-84,
     61693336.700006753, 1.7965183309517141e-84},
    {10000, 590736.64996387542, 11816.308549099198, 1947.858249534743, 1080797.9690046825,
     22073.487550048696, 3309246.9532971242, 3805.1996374185101, 0, -0, 0, -0, 277663654.33333623,
     4829241.1676186901, -0, 0},
    {10000, 417797.4477891589, 417797.44778915885, 2062.3321015539018, 763438.35751614009,
     781269.23140153906, 3402958.4186165361, 108911.85221526424, -0, 0, -0, -0, 197817975.03490719,
     169544591.4754191, 0, 0},
    {10000, 12286.724175899255, 590727.05301796971, 2124.6581603895165, 22410.821835483468,
     1106259.5295721099, 3530339.1979424413, 5392.9091107069162, 1.4462563213523442e-07,
     1.5141943350664002e-07, -1.0078287817041848e-05, 9.9340261467217914e-06, 5879332.2696057335,
     237269240.100023, 0.00068199795562777445, 0.00067046137344612419},
    {10000, 0, 590854.81698829355, 2124.7031707642786, 969986.89971861627, 1.5697757400954085e-85,
     15147894.999391448, 2.053684917826578e-84, -1601356.9835851123, -1.1461669939267913e-85,
     7025773.2348216567, 2.0306070354242811e-84, 206992478.70035529, 3.4491922792735729e-83,
     342819906.0557403, 2.7799868670067114e-83},
    {20000, 14768416.249096882, 295407.71372747986, 102462.7029534701, 27319230.348854546,
     546477.74413883348, 3411114.0012344327, 7.0213821822332321, -0, 0, -0, 0, 6465833346.9924536,
     129301768.3666973, 0, -0},
    {20000, 10444936.194728969, 10444936.194728969, 102469.50943762896, 19321477.135994237,
     19322194.120003525, 3411289.4421534818, 175.62449648261574, 0, -0, 0, -0, 4572949266.5873432,
     4571812541.4592772, -0, -0},
    {20000, 307168.10439748131, 14768176.325449239, 102476.30883087293, 568212.32554707711,
     27319800.277391635, 3411464.9578662696, 7.304377088700126, 0, -0, 0, 0, 134482792.68998194,
     6464121080.3226633, 0, -0},
    {20000, 0, 14771370.424707334, 102476.31471354127, 32155819.313976001, 3.3758646205894668e-85,
     -9412447.1776948813, 3.1317005556399076e-84, 42192582.12934158, 4.896221325054577e-85,
     16653538.568261808, -3.1259631411343991e-84, -7996920778.8322105, 1.7762297306290348e-81,
     10282362065.299959, -1.4146244644405981e-81},
    {1000, 0, 249432.04952099532, 99.321758367538024, -196800.91836822781, 2.1789775156370257e-86,
     5322378.4880775809, 5.2474377422691382e-87, 564837.38417962636, -7.0050953491120063e-87,
     -134615.56337551944, 1.7126846415431564e-88, 5874306.9702555863, 1.642276485976664e-87,
     -1750866.1803310555, -2.0771950249224967e-87},
    {1000, 0, 249681.70628407446, 99.402971616585759, -250721.12741896958, -2.4696444353906678e-87,
     5378217.1674110116, 1.9100624455049938e-87, 587417.35133601516, 1.6806276625573807e-86,
     -44904.28660674319, -1.9070349448298808e-87, 2963438.8776215389, -1.7011942183172431e-86,
     -2962905.5608715951, 1.6983019795016921e-86},
    {1000, 0, 249681.73125224758, 99.402979738800497, -250726.84045764388, 4.0171066375210751e-81,
     5378225.7566735949, 2.6470192304401213e-79, 587420.01550958992, 3.9755761049339416e-81,
     -44892.423340255969, -2.6413451964333314e-79, 2963082.424001738, -7.2136352993963793e-79,
     -2963082.4240019009, 7.2136352995606194e-79},
    {1000, 0, 249681.75622042074, 99.402987861015234, -250732.55357475264, -1.6759299377986521e-85,
     5378234.3467556918, -1.2803877625161372e-83, 587422.67977786507, -2.1480533824167178e-85,
     -44880.559275555177, 1.2806613019790235e-83, 2962725.9527429044, -1.0106212627383369e-83,
     -2963259.3026613467, 1.0104398352079969e-83},
    {1000, 0, 249931.41298349982, 99.484202664495967, -313163.09130066313, 2.6338934091834482e-86,
     5529223.5446362989, -1.2441360463559577e-85, 620142.97628548031, -1.8142961100196073e-86,
     137851.75952926723, -8.9259558708816683e-86, -1983379.2913823819, 1.4463654292826339e-85,
     -5997867.7603516839, 1.6495444609038095e-85},
    {1000, 90474.111470412739, 232713.13257905949, 98.268414334570011, 143873.41244540989,
     457249.04269070743, 3682162.9175461866, 714427.60727568739, 2.9266430801108747e-08,
     -1.5554368092399503e-07, -6.7618718876165868e-07, 1.7998899888836975e-07, 75933598.405077323,
     59660234.116493776, -4.6475013659324754e-06, -5.7091293430759801e-06},
    {1000, 24.051040878577442, 249681.73009386772, 99.402979662667562, -250690.21428765051,
     5502.3925787293147, 5377845.6450867606, -8260.6932089020102, 587375.98277861415,
     -2565.5611031349445, -45262.803556194187, -11414.363563600626, 2971272.2095962549,
     343088.44267797633, -2955879.668650419, 170102.11360661525},
    {1000, 0, 7490451.9375674278, 2598.7469547473011, 18209642.376124863, -2.6249880995685061e-84,
     -1138927.1539474009, 5.6381892519799255e-85, 22879019.758671083, -2.1895780593837761e-84,
     7793580.7890993506, -1.0424917132057891e-84, -825716404.93884099, -1.4398074387514941e-82,
     3378452903.5527544, 3.5854674170476988e-83},
    {1000, 1766178.6976331437, 24905627.51707378, 8660.4534081995516, 3267190.1752634472,
     46072619.116697676, 3411350.3197070006, 8.6751847295404971, 2.1631802609033348e-147,
     3.7534316561340155e-147, -8.915952593559444e-144, 6.0164511982771048e-144, 773196971.53167868,
     10902226468.563271, 1.6466035064710619e-140, 2.1024900647306704e-140},
    {1000, 0, 24968173.125224758, 8660.4554230369722, -35498552.659769639, 1.7355609097266819e-84,
     17021450.162087128, -7.0044392018840009e-85, -58258172.653358273, 1.5554348528673659e-84,
     8087334.4306839015, -1.2713462695823945e-85, 42895518022.307014, -3.7774334855643646e-81,
     44266353965.316879, -3.8666922909553293e-81},
};

cd At(const ComplexMatrix& k, int i, int j) {
    return ToStd(k(i, j));
}

// The clamped-clamped block from the six reference values.
void Expand(const cd v[6], cd K[4][4]) {
    const cd rows[4][4] = {{v[0], v[1], v[2], v[3]},
                           {v[1], v[4], -v[3], v[5]},
                           {v[2], -v[3], v[0], -v[1]},
                           {v[3], v[5], -v[1], v[4]}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) K[i][j] = rows[i][j];
}

TEST(TimoshenkoStatic, DynamicAtZeroAndCantileverTip) {
    const double L = 150.0, P = 1000.0;
    const double tip = P * L * L * L / (3 * kBar.EI) + P * L / kBar.kGA;
    RealMatrix ks;
    ComplexMatrix kd;
    for (int plane = 0; plane < 2; ++plane) {
        fem::TimoshenkoStiffStat(kBar, L, plane, ks);
        fem::TimoshenkoStiffDyn(kBar, Complex{0, 0}, L, plane, kd);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                EXPECT_TRUE(Close(kd(i, j).re, ks(i, j), 1e-14, 1e-14 * ks(0, 0) * L * L));
                EXPECT_EQ(kd(i, j).im, 0.0);
            }
        // End 1 clamped, P at end 2: solve the 2 x 2 block of end 2.
        const double det = ks(2, 2) * ks(3, 3) - ks(2, 3) * ks(3, 2);
        EXPECT_TRUE(Close(P * ks(3, 3) / det, tip, 1e-13)) << "plane " << plane;
    }
    // Rigid in shear it is the cubic beam.
    fem::TimoshenkoSection rigid = kBar;
    rigid.kGA = INFINITY;
    RealMatrix cubic;
    fem::TimoshenkoStiffStat(rigid, L, 1, ks);
    fem::BeamStiffStat(kBar.EI, L, 1, cubic);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_DOUBLE_EQ(ks(i, j), cubic(i, j));
}

// kGA -> infinity and rhoI -> 0 as the square of the depth d: the block tends to
// BeamStiffDyn, the difference falling as d^2; in the limit itself it is BeamStiffDyn.
TEST(TimoshenkoDynamic, TendsToEulerBernoulliAsTheDepthSquared) {
    const double beta = kBar.EI / kBar.rhoA;
    ComplexMatrix kt, ke;
    auto difference = [&](const fem::TimoshenkoSection& sec, cd s, double L) {
        fem::TimoshenkoStiffDyn(sec, Complex{s.real(), s.imag()}, L, 0, kt);
        fem::BeamStiffDyn(beta, kBar.EI, Complex{s.real(), s.imag()}, L, 0, ke);
        double d = 0.0, scale = 0.0;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                d = std::max(d, std::abs(At(kt, i, j) - At(ke, i, j)));
                scale = std::max(scale, std::abs(At(ke, i, j)));
            }
        return d / scale;
    };
    for (double kappaL : {1e-3, 0.7, 3.0, 40.0, 900.0})
        for (double arg : {0.3, 1.5707963267948966}) {
            const double L = 1000.0, modulus = std::pow(kappaL / L, 2) * std::sqrt(beta);
            const cd s = std::polar(modulus, arg);
            fem::TimoshenkoSection limit{kBar.EI, INFINITY, kBar.rhoA, 0.0};
            EXPECT_LE(difference(limit, s, L), 1e-13 * std::max(1.0, kappaL)) << kappaL;
            if (kappaL > 1.0 && kappaL < 100.0) {
                double previous = 0.0;
                for (double d2 : {1e-2, 1e-4, 1e-6}) {
                    fem::TimoshenkoSection thin{kBar.EI, kBar.kGA / d2, kBar.rhoA, kBar.rhoI * d2};
                    const double now = difference(thin, s, L);
                    if (previous > 0.0) {
                        EXPECT_NEAR(previous / now, 100.0, 30.0) << kappaL;
                    }
                    previous = now;
                }
            }
        }
}

// Entries within 50 units of rounding times max(1, |mu| L), the conditioning of the
// phase of a long member, of sqrt(|Kii Kjj|) of the reference.
TEST(TimoshenkoDynamic, MatchesHighPrecisionValuesFromKappaL1EMinus3To1E4) {
    ComplexMatrix k;
    for (const auto& row : kRows) {
        const double L = row[0];
        const cd s(row[1], row[2]);
        cd v[6], want[4][4];
        for (int n = 0; n < 6; ++n) v[n] = cd(row[4 + 2 * n], row[5 + 2 * n]);
        Expand(v, want);
        for (int plane = 0; plane < 2; ++plane) {
            fem::TimoshenkoStiffDyn(kBar, Complex{s.real(), s.imag()}, L, plane, k);
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j) {
                    const cd w = (plane == 1 && (i + j) % 2) ? -want[i][j] : want[i][j];
                    const double tol = 50 * 2.2e-16 * std::max(1.0, row[3]) *
                                       std::sqrt(std::abs(want[i][i]) * std::abs(want[j][j]));
                    EXPECT_TRUE(Close(At(k, i, j), w, 0.0, tol))
                        << "L " << L << " s " << s << " (" << i << "," << j << ")";
                    EXPECT_EQ(At(k, i, j), At(k, j, i));
                    if (s.real() == 0.0) {
                        EXPECT_LE(std::fabs(k(i, j).im), tol);
                    }
                }
        }
    }
}

// Two pieces of 0.3 L and 0.7 L, the middle node condensed, give the member's block.
TEST(TimoshenkoDynamic, MemberCutInTwoAndCondensedIsTheMember) {
    const double L = 1000.0;
    ComplexMatrix whole, left, right;
    for (cd s : {cd(2000, 3000), cd(0, 0.9 * kCutoff), cd(0, kCutoff), cd(3e4, 1.5 * kCutoff),
                 cd(0, 4e6), cd(4e5, 5e6)}) {
        const Complex sc{s.real(), s.imag()};
        fem::TimoshenkoStiffDyn(kBar, sc, L, 0, whole);
        fem::TimoshenkoStiffDyn(kBar, sc, 0.3 * L, 0, left);
        fem::TimoshenkoStiffDyn(kBar, sc, 0.7 * L, 0, right);
        // Middle node: left end 2 plus right end 1; outer dofs: left end 1, right end 2.
        cd M[2][2], C[4][2], Kouter[4][4] = {};
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                M[i][j] = At(left, 2 + i, 2 + j) + At(right, i, j);
                C[i][j] = At(left, i, 2 + j);
                C[2 + i][j] = At(right, 2 + i, j);
                Kouter[i][j] = At(left, i, j);
                Kouter[2 + i][2 + j] = At(right, 2 + i, 2 + j);
            }
        const cd det = M[0][0] * M[1][1] - M[0][1] * M[1][0];
        const cd inv[2][2] = {{M[1][1] / det, -M[0][1] / det}, {-M[1][0] / det, M[0][0] / det}};
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                cd k = Kouter[i][j];
                for (int a = 0; a < 2; ++a)
                    for (int b = 0; b < 2; ++b) k -= C[i][a] * inv[a][b] * C[j][b];
                const double scale = std::sqrt(std::abs(At(whole, i, i) * At(whole, j, j)));
                EXPECT_TRUE(Close(k, At(whole, i, j), 0.0, 1e-11 * scale))
                    << "s " << s << " (" << i << "," << j << ")";
            }
    }
}

// Bisection of f on [a, b] with a sign change.
template <class F>
double Bisect(F f, double a, double b) {
    double fa = f(a);
    for (int n = 0; n < 200 && b - a > 1e-15 * b; ++n) {
        const double m = 0.5 * (a + b), fm = f(m);
        if ((fm < 0) == (fa < 0)) {
            a = m;
            fa = fm;
        } else {
            b = m;
        }
    }
    return 0.5 * (a + b);
}

// Pinned-pinned (w = 0 at both ends, moments free): det of the rotation block vanishes at
// both roots of rhoA rhoI w^4 - w^2 (rhoA (EI k^2 + kGA) + rhoI kGA k^2) + EI kGA k^4 = 0,
// k = n pi / L, and at omega_c (n = 0: w = 0, psi constant).
TEST(TimoshenkoModes, PinnedPinnedFrequenciesOfBothSpectra) {
    const double L = 400.0;
    ComplexMatrix k;
    auto rotationDet = [&](double omega) {
        fem::TimoshenkoStiffDyn(kBar, Complex{0, omega}, L, 0, k);
        return k(1, 1).re * k(3, 3).re - k(1, 3).re * k(3, 1).re;
    };
    std::vector<double> exact{kCutoff};
    for (int n = 1; n <= 6; ++n) {
        const double kn = n * numeric::Pi / L, k2 = kn * kn;
        const double a = kBar.rhoA * kBar.rhoI;
        const double b = kBar.rhoA * (kBar.EI * k2 + kBar.kGA) + kBar.rhoI * kBar.kGA * k2;
        const double c = kBar.EI * kBar.kGA * k2 * k2;
        const double root = std::sqrt(b * b - 4 * a * c);
        exact.push_back(std::sqrt(2 * c / (b + root)));    // first spectrum
        exact.push_back(std::sqrt((b + root) / (2 * a)));  // second spectrum
    }
    for (double w : exact) {
        const double lo = w * (1 - 1e-7), hi = w * (1 + 1e-7);
        ASSERT_LT(rotationDet(lo) * rotationDet(hi), 0.0) << w;
        EXPECT_NEAR(Bisect(rotationDet, lo, hi), w, 1e-10 * w);
    }
}

// The classical clamped-clamped determinant at s = i omega: for each root P of
// EI kGA P^2 + omega^2 (kGA rhoI + rhoA EI) P - rhoA omega^2 (kGA - rhoI omega^2) = 0, w is
// cosh and sinh (P > 0) or cos and sin (P < 0) of sqrt|P| x, and psi follows from
// psi' = w'' + rhoA omega^2 / kGA w. Rows w(0), psi(0), w(L), psi(L).
double ClampedDeterminant(double L, double omega) {
    const double q = kBar.rhoA * omega * omega / kBar.kGA;
    const double a = kBar.EI * kBar.kGA;
    const double b = omega * omega * (kBar.kGA * kBar.rhoI + kBar.rhoA * kBar.EI);
    const double c = -kBar.rhoA * omega * omega * (kBar.kGA - kBar.rhoI * omega * omega);
    const double root = std::sqrt(b * b - 4 * a * c);
    double m[4][4];
    int col = 0;
    for (double P : {(-b + root) / (2 * a), (-b - root) / (2 * a)}) {
        const double r = std::sqrt(std::fabs(P));
        for (double x : {0.0, L}) {
            const int row = x == 0.0 ? 0 : 2;
            if (P > 0) {
                m[row][col] = std::cosh(r * x);
                m[row + 1][col] = (P + q) / r * std::sinh(r * x);
                m[row][col + 1] = std::sinh(r * x);
                m[row + 1][col + 1] = (P + q) / r * std::cosh(r * x);
            } else {
                m[row][col] = std::cos(r * x);
                m[row + 1][col] = (q + P) / r * std::sin(r * x);
                m[row][col + 1] = std::sin(r * x);
                m[row + 1][col + 1] = -(q + P) / r * std::cos(r * x);
            }
        }
        col += 2;
    }
    double det = 1.0;  // elimination with row pivoting
    for (int j = 0; j < 4; ++j) {
        int p = j;
        for (int i = j + 1; i < 4; ++i)
            if (std::fabs(m[i][j]) > std::fabs(m[p][j])) p = i;
        if (p != j) {
            std::swap(m[p], m[j]);
            det = -det;
        }
        det *= m[j][j];
        for (int i = j + 1; i < 4; ++i)
            for (int k = 4 - 1; k >= j; --k) m[i][k] -= m[i][j] / m[j][j] * m[j][k];
    }
    return det;
}

TEST(TimoshenkoModes, ClampedCountAgreesWithBisectedDeterminant) {
    const double L = 400.0;
    // Roots below and above omega_c, where the classical basis changes kind.
    std::vector<double> roots;
    auto f = [&](double w) { return ClampedDeterminant(L, w); };
    for (auto [lo, hi] :
         {std::pair{1.0, 0.999 * kCutoff}, std::pair{1.001 * kCutoff, 3 * kCutoff}}) {
        const int n = 20000;
        for (int i = 0; i < n; ++i) {
            const double a = lo + (hi - lo) * i / n, b = lo + (hi - lo) * (i + 1) / n;
            if ((f(a) < 0) != (f(b) < 0)) roots.push_back(Bisect(f, a, b));
        }
    }
    ASSERT_GE(roots.size(), 20u);
    ASSERT_GT(roots.back(), 1.5 * kCutoff);  // the second spectrum is in the range
    EXPECT_EQ(fem::TimoshenkoClampedCountBelow(kBar, L, 0.5 * roots[0]), 0);
    for (size_t k = 1; k < roots.size(); ++k)
        EXPECT_EQ(fem::TimoshenkoClampedCountBelow(kBar, L, 0.5 * (roots[k - 1] + roots[k])),
                  static_cast<int>(k))
            << "between " << roots[k - 1] << " and " << roots[k];
    // The bound used for the halving lies below the first frequency, down to short pieces
    // that are all shear.
    for (double piece : {L, L / 8, L / 64, L / 512}) {
        const double first = Bisect([&](double w) { return ClampedDeterminant(piece, w); },
                                    fem::TimoshenkoClampedFrequencyBound(kBar, piece),
                                    100 * fem::TimoshenkoClampedFrequencyBound(kBar, piece));
        EXPECT_LT(fem::TimoshenkoClampedFrequencyBound(kBar, piece), first) << piece;
    }
}

// w = sum c_j kappa_j e^(kappa_j x), psi = sum c_j (kappa_j^2 - rhoA s^2 / kGA) e^(kappa_j x)
// with kappa_j roots of the Timoshenko equations: the field from its end values returns it.
TEST(TimoshenkoField, ReproducesExactSolutionsAndTheStaticCantilever) {
    const double L = 600.0;
    for (cd s : {cd(300, 400), cd(0, 1.1 * kCutoff), cd(2e4, 0.7 * kCutoff), cd(1e5, 2e6)}) {
        const cd s2 = s * s;
        const cd a = kBar.EI * kBar.kGA, b = -s2 * (kBar.kGA * kBar.rhoI + kBar.rhoA * kBar.EI);
        const cd c = kBar.rhoA * s2 * (kBar.kGA + kBar.rhoI * s2);
        const cd root = std::sqrt(b * b - 4.0 * a * c);
        const cd kappa[2] = {std::sqrt((-b + root) / (2.0 * a)),
                             -std::sqrt((-b - root) / (2.0 * a))};
        const cd coef[2] = {cd(0.3, 0.1) * std::exp(-kappa[0] * L), cd(-0.2, 0.5)};
        auto exact = [&](double x, int component) {
            cd v = 0;
            for (int j = 0; j < 2; ++j) {
                const cd shape =
                    component == 0 ? kappa[j] : kappa[j] * kappa[j] - kBar.rhoA * s2 / kBar.kGA;
                v += coef[j] * shape * std::exp(kappa[j] * x);
            }
            return v;
        };
        for (int plane = 0; plane < 2; ++plane) {
            const double sign = plane == 1 ? -1.0 : 1.0;
            Complex ends[4];
            for (int e = 0; e < 2; ++e) {
                const cd w = exact(e * L, 0), t = sign * exact(e * L, 1);
                ends[2 * e] = Complex{w.real(), w.imag()};
                ends[2 * e + 1] = Complex{t.real(), t.imag()};
            }
            double scale = 0.0;
            for (double x = 0; x <= L; x += L / 8)
                scale = std::max({scale, std::abs(exact(x, 0)), std::abs(exact(x, 1)) * L});
            for (double x : {0.0, 0.13 * L, 0.5 * L, 0.77 * L, L}) {
                const auto field =
                    fem::TimoshenkoFieldAt(kBar, Complex{s.real(), s.imag()}, L, plane, ends, x);
                EXPECT_TRUE(Close(ToStd(field[0]), exact(x, 0), 0.0, 1e-11 * scale))
                    << s << " x " << x;
                EXPECT_TRUE(Close(sign * ToStd(field[1]), exact(x, 1), 0.0, 1e-11 * scale / L))
                    << s << " x " << x;
            }
        }
    }
    // Cantilever clamped at x = 0 under P at the tip, at s = 0:
    // w = P x^2 (3L - x) / (6 EI) + P x / kGA, psi = P (L x - x^2 / 2) / EI.
    const double P = 500.0;
    auto w = [&](double x) { return P * x * x * (3 * L - x) / (6 * kBar.EI) + P * x / kBar.kGA; };
    auto psi = [&](double x) { return P * (L * x - x * x / 2) / kBar.EI; };
    const Complex ends[4] = {{0, 0}, {0, 0}, {w(L), 0}, {psi(L), 0}};
    for (double x : {0.1 * L, 0.45 * L, 0.9 * L}) {
        const auto field = fem::TimoshenkoFieldAt(kBar, Complex{0, 0}, L, 0, ends, x);
        EXPECT_TRUE(Close(field[0].re, w(x), 1e-13));
        EXPECT_TRUE(Close(field[1].re, psi(x), 1e-13));
    }
}

TEST(TimoshenkoDynamic, InvalidMembersFail) {
    ComplexMatrix k;
    const Complex s{10, 20};
    fem::TimoshenkoSection bad = kBar;
    bad.kGA = 0.0;
    EXPECT_THROW(fem::TimoshenkoStiffDyn(bad, s, 100, 0, k), numeric::ComputationFailure);
    EXPECT_THROW(fem::TimoshenkoStiffDyn(kBar, s, 0.0, 0, k), numeric::ComputationFailure);
    EXPECT_THROW(fem::TimoshenkoStiffDyn(kBar, Complex{NAN, 1}, 100, 0, k),
                 numeric::ComputationFailure);
    EXPECT_THROW(fem::TimoshenkoClampedCountBelow(kBar, 100, NAN), numeric::ComputationFailure);
}

}  // namespace
