#pragma once
// The wizard's picture (601): a field of random dots with a raised disc
// drawn in it, the kind of picture the wizard makes.

#include <QPixmap>

namespace wizard {

QPixmap WizardPicture(int width, int height);

} // namespace wizard
