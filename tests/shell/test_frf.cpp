// "周波数応答" in the "計算" menu: the window computes the steady-state response of the
// chosen node and shows what the closed form of a fixed-free rod gives, an undamped
// resonance as such, and refuses requests it cannot compute.
#include <cmath>
#include <complex>

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>

#include "shell/frfwindow.h"
#include "shell_fixture.h"

namespace shelltest {
namespace {

class FrfTest : public ShellTest {
  protected:
    shell::FrequencyResponseWindow* Open() {
        QAction* action = frame->Action(QStringLiteral("frequencyResponseAction"));
        if (!action) return nullptr;
        action->trigger();
        return frame->findChild<shell::FrequencyResponseWindow*>(QStringLiteral("frfWindow"));
    }
    static void Compute(shell::FrequencyResponseWindow* w) {
        QEventLoop loop;
        QObject::connect(w, &shell::FrequencyResponseWindow::ComputationFinished, &loop,
                         &QEventLoop::quit);
        w->runButton->click();
        if (w->Running()) loop.exec();
    }
};

TEST_F(FrfTest, MenuEntrySitsInTheAnalysisMenu) {
    QAction* action = frame->Action(QStringLiteral("frequencyResponseAction"));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), QStringLiteral("周波数応答"));
    auto* menu = frame->findChild<QMenu*>(QStringLiteral("analysisMenu"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->title().startsWith(QStringLiteral("計算"))) << menu->title().toStdString();
    EXPECT_TRUE(menu->actions().contains(action));
}

// Sample 1: a steel bar of 10 mm diameter along x, fixed at x = 0, axial load P at x = L.
// Harmonic load P e^(i w t): u(L) = P tan(k L) / (E A k), k = w / c, c = sqrt(E g / w_d);
// resonances at (2 n - 1) c / (4 L).
TEST_F(FrfTest, RodTipFollowsTheClosedFormAndAResonanceIsShownAsSuch) {
    panel->LoadSample(1);
    shell::FrequencyResponseWindow* w = Open();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());

    const fem::ElementRecord& bar = Model().Elements[0];
    const double L = 200.0;
    const double P = Model().Nodes[2].LoadValue[0];
    const double c = std::sqrt(bar.Young * 9800.0 / bar.Density);
    const double EA = bar.Young * M_PI * bar.CrossSection.Diameter * bar.CrossSection.Diameter / 4;
    const double first = c / (4 * L);

    w->nodeCombo->setCurrentIndex(2);
    w->fromEdit->setText(QStringLiteral("0"));
    w->toEdit->setText(QString::number(3.3 * first, 'g', 17));
    w->countEdit->setText(QStringLiteral("34"));
    Compute(w);
    ASSERT_TRUE(messages.empty()) << messages[0].toStdString();
    const auto& points = w->Response().Points;
    ASSERT_EQ(points.size(), 34u);
    EXPECT_NEAR(points[0].Response[0].re, P * L / EA, 1e-12 * P * L / EA);
    for (std::size_t i = 1; i < points.size(); ++i) {
        // Points 10 and 30 are c/4L and 3c/4L.
        EXPECT_EQ(points[i].Resonance, i % 20 == 10) << i;
        if (points[i].Resonance) {
            EXPECT_EQ(w->pointList->topLevelItem(static_cast<int>(i))->text(1),
                      QStringLiteral("共振（非減衰）"));
            continue;
        }
        const double k = 2 * M_PI * points[i].Hz / c;
        const double expected = P * std::tan(k * L) / (EA * k);
        EXPECT_NEAR(points[i].Response[0].re, expected,
                    1e-9 * std::abs(expected) + 1e-12 * P * L / EA)
            << i;
        // The list shows the magnitude and the phase, 0 or 180 degrees without damping
        // (at the antiresonance c/2L, point 20, the tip is at rest and has no phase).
        if (i == 20) continue;
        const QString phase = w->pointList->topLevelItem(static_cast<int>(i))->text(2);
        EXPECT_NEAR(std::abs(phase.toDouble()), expected > 0 ? 0.0 : 180.0, 1e-6)
            << i << " " << phase.toStdString();
    }
    EXPECT_TRUE(w->statusLabel->text().contains(QStringLiteral("共振 2 点")))
        << w->statusLabel->text().toStdString();

    // A change of the structure retires the response.
    panel->LoadSample(2);
    EXPECT_TRUE(w->Response().Points.empty());
    EXPECT_EQ(w->pointList->topLevelItemCount(), 0);
}

TEST_F(FrfTest, RequestsThatCannotBeComputedAreRefusedWithAMessage) {
    panel->LoadSample(1);
    shell::FrequencyResponseWindow* w = Open();
    ASSERT_NE(w, nullptr);
    const struct {
        const char* from;
        const char* to;
        const char* count;
    } bad[] = {{"10", "5", "10"}, {"-1", "5", "10"}, {"0", "x", "10"},
               {"0", "5", "0"},   {"0", "5", "1e9"}, {"0", "1e400", "10"}};
    for (const auto& b : bad) {
        messages.clear();
        w->fromEdit->setText(QLatin1String(b.from));
        w->toEdit->setText(QLatin1String(b.to));
        w->countEdit->setText(QLatin1String(b.count));
        w->runButton->click();
        EXPECT_FALSE(w->Running());
        EXPECT_EQ(messages.size(), 1u) << b.from << " " << b.to << " " << b.count;
    }
}

}  // namespace
}  // namespace shelltest
