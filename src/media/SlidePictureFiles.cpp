#include "media/SlidePictureFiles.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "media/GifWriter.h"
#include "media/RecordingSlides.h"
#include "media/WebpWriter.h"

namespace pellucor {

bool WriteFoundSlidePictures(const RecordingSlides& found, size_t slide, const std::string& sharpPath,
                             const std::string& shownPath, int width, std::string& err)
{
    cv::Mat sharp;
    if (!found.SlideImage(slide, sharp, err, 1))
        return false;
    const int height = std::max(1, static_cast<int>(std::lround(width * sharp.rows / double(sharp.cols))));
    cv::Mat shown;
    cv::resize(sharp, shown, {width, height}, 0, 0, cv::INTER_AREA);
    return WriteWebpPicture(sharpPath, sharp.data, static_cast<int>(sharp.step), sharp.cols, sharp.rows, err, true)
        && WriteGifPicture(shownPath, shown.data, static_cast<int>(shown.step), shown.cols, shown.rows, err);
}

}  // namespace pellucor
