// The library's shader declarations as data: for each shader with a parameter
// block, its name, interface version, result type, a one-line summary and the
// rows of its parameter list (frame/param_list.h).  The declaration files in
// share/uvo/shaders/ are generated from this table (tools/), and the host's
// declarations test checks the files it loads against it.
//
// Not part of the library proper: nothing in src/ includes it.
#pragma once

#include <cstddef>
#include <span>

#include "envblur/envblur.h"
#include "frame/param_list.h"
#include "lens/lens_bokeh.h"
#include "lightsurface/light_surface.h"
#include "portal/portal_light.h"
#include "sky/cie_sky.h"
#include "sky/physical_sky.h"
#include "sky/physical_sun.h"
#include "tonemap/exposure_simple.h"
#include "tonemap_photo/exposure_photographic.h"
#include "xmtl/material_params.h"
#include "xmtl/roundcorners.h"

namespace uvo {

struct ShaderDeclaration {
    const char *name;                // exported shader name
    int version;                     // what its version function returns
    const char *result;              // declaration result type
    const char *summary;             // one line: what it is, and the units of its result
    std::span<const ParamRow> rows;  // the parameters, in block order
    size_t block_size;               // bytes of the block (an array counts one element in place)
};

// uvo_material's rows: those of the shared list that start inside its block.
constexpr size_t material_row_count() {
    size_t n = 0;
    for (const ParamRow &row : MaterialParams_rows)
        if (4 * static_cast<size_t>(row.slot) < material_block_size)
            ++n;
    return n;
}

inline constexpr ShaderDeclaration shader_declarations[] = {
    {"uvo_material", material_version, "color",
     "physically based surface material; colours are reflectances, the result is in the units of the lights",
     std::span<const ParamRow>(MaterialParams_rows, material_row_count()), material_block_size},
    {"uvo_material_x", material_x_version, "color",
     "uvo_material with bump vectors and the multi-output record",
     std::span<const ParamRow>(MaterialParams_rows), sizeof(MaterialParams)},
    {"uvo_roundcorners", roundcorners_version, "vector",
     "bump shader that makes sharp edges look rounded",
     std::span<const ParamRow>(RoundCornersParams_rows), sizeof(RoundCornersParams)},
    {"uvo_physicalsky", physicalsky_version, "color",
     "daylight environment, lens or volume shader; result = pi x luminance (cd/m2) x rgb_scale, so 1.0 is "
     "about 25,465 cd/m2 by default",
     std::span<const ParamRow>(PhysicalSkyParams_rows), sizeof(PhysicalSkyParams)},
    {"uvo_physicalsun", physicalsun_version, "color",
     "light shader of a directional sun; result = the model's sunlight colour x rgb_scale (the sky's scale, "
     "without the sky's factor pi)",
     std::span<const ParamRow>(PhysicalSunParams_rows), sizeof(PhysicalSunParams)},
    {"uvo_ciesky", ciesky_version, "color",
     "CIE clear to overcast sky for daylight analysis; result = luminance in cd/m2 (grey)",
     std::span<const ParamRow>(CieSkyParams_rows), sizeof(CieSkyParams)},
    {"uvo_portal_light", portal_light_version, "color",
     "light shader of a window or opening: emits what the environment shows through it, in the environment's units",
     std::span<const ParamRow>(PortalLightParams_rows), sizeof(PortalLightParams)},
    {"uvo_light_surface", light_surface_version, "color",
     "glow of a lamp's visible geometry; result in the units of surface_color and the lights",
     std::span<const ParamRow>(LightSurfaceParams_rows), sizeof(LightSurfaceParams)},
    {"uvo_exposure_simple", exposure_simple_version, "color",
     "offset, gain, knee and gamma, as a lens or output shader; result = display value",
     std::span<const ParamRow>(ExposureSimpleParams_rows), sizeof(ExposureSimpleParams)},
    {"uvo_exposure_photographic", exposure_photographic_version, "color",
     "camera-like exposure as a lens or output shader; result = display value",
     std::span<const ParamRow>(ExposurePhotographicParams_rows), sizeof(ExposurePhotographicParams)},
    {"uvo_lens_bokeh", lens_bokeh_version, "color",
     "depth-of-field lens: eye rays from a disc, polygon or image-shaped aperture; result in the scene's units",
     std::span<const ParamRow>(LensBokehParams_rows), sizeof(LensBokehParams)},
    {"uvo_envblur", envblur_version, "color",
     "environment blur: the wrapped environment prefiltered into an angular map; result in its units",
     std::span<const ParamRow>(EnvBlurParams_rows), sizeof(EnvBlurParams)},
};

}  // namespace uvo
