"""The uvo module: tone mapping by exposure physics, renders into arrays,
declarations, and the histogram example."""
import json
import os
import subprocess
import sys

import numpy as np
import pytest

import uvo

SOURCE = os.environ.get("UVO_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
CAMERA = dict(film_speed=100.0, shutter_rate=60.0, aperture_stop=8.0)


def ramp():
    values = np.geomspace(1e-2, 1e5, 64, dtype=np.float32)
    return np.repeat(values[None, :, None], 3, axis=2)


def test_tonemap_follows_exposure_reciprocity():
    image = ramp()
    base = uvo.tonemap(image, radiance_scale=2.0, **CAMERA)
    # Twice the light = twice the exposure time = one stop wider.
    longer = uvo.tonemap(image, **dict(CAMERA, shutter_rate=30.0))
    wider = uvo.tonemap(image, **dict(CAMERA, aperture_stop=8.0 / np.sqrt(2.0)))
    np.testing.assert_allclose(longer, base, rtol=1e-4, atol=1e-6)
    np.testing.assert_allclose(wider, base, rtol=1e-4, atol=1e-6)
    assert np.all(np.diff(base[0, :, 1]) >= 0), base[0, :, 1]
    assert base[0, -1, 1] > base[0, 0, 1]


def test_tonemap_white_balance_alpha_and_refusals():
    image = np.ones((2, 3, 4), np.float32) * np.array([0.8, 0.5, 0.3, 0.25], np.float32)
    out = uvo.tonemap(image, white_balance=(0.8, 0.5, 0.3))
    np.testing.assert_allclose(out[..., 0], out[..., 1], rtol=1e-5)  # the balance colour comes out grey
    np.testing.assert_allclose(out[..., 2], out[..., 1], rtol=1e-5)
    assert np.all(out[..., 3] == 0.25)
    np.testing.assert_array_equal(uvo.tonemap(image[..., :3], white_balance=(0.8, 0.5, 0.3)), out[..., :3])
    with pytest.raises(ValueError):
        uvo.tonemap(image, display_gamma=0.0)
    with pytest.raises(ValueError):
        uvo.tonemap(np.zeros((4, 4), np.float32))


def test_render_beauty_and_layers(tmp_path):
    with open(os.path.join(SOURCE, "scenes", "default.json")) as f:
        scene = json.load(f)
    scene["camera"]["outputs"] = ["result", "direct_diffuse", "occlusion"]
    path = tmp_path / "scene.json"
    path.write_text(json.dumps(scene))
    r = uvo.render(str(path), width=32, height=24, samples=2, threads=2)
    assert r["beauty"].shape == (24, 32, 4) and r["beauty"].dtype == np.float32
    assert np.isfinite(r["beauty"]).all() and r["beauty"][..., :3].min() >= 0
    assert set(r["layers"]) == {"result", "direct_diffuse", "occlusion"}
    assert r["units"]["result"] == "radiance" and r["units"]["occlusion"] == "fraction"
    # The material's own colour is what the frame shows where every sample hit it.
    hit = r["layers"]["result"][..., 3] == 1
    assert hit.sum() > hit.size // 2
    np.testing.assert_array_equal(r["layers"]["result"][hit][:, 0], r["beauty"][hit][:, 0])
    # The camera's output shader tone-mapped the display image.
    assert r["units"]["display"] == "display" and not np.array_equal(r["display"], r["beauty"])
    assert r["attributes"]["uvo:shaders"] == uvo.library_path()
    with pytest.raises(ValueError):
        uvo.render(str(tmp_path / "missing.json"))


def test_declarations_lay_out_blocks():
    shaders = uvo.declarations()
    assert "uvo_material" in shaders and "uvo_physicalsky" in shaders
    for name, shader in shaders.items():
        offsets = [p["offset"] for p in shader["parameters"]]
        assert offsets == sorted(set(offsets)) and all(o % 4 == 0 for o in offsets), name
        assert not offsets or offsets[-1] < shader["block_size"], name
    light_mode = next(p for p in shaders["uvo_material"]["parameters"] if p["name"] == "light_mode")
    assert light_mode["type"] == "integer" and light_mode["default"] == 3


def test_histogram_example(tmp_path):
    png = tmp_path / "histogram.png"
    script = os.path.join(SOURCE, "examples", "python", "luminance_histogram.py")
    subprocess.run([sys.executable, script, os.path.join(SOURCE, "scenes", "default.json"), "-o", str(png),
                    "--width", "32", "--height", "24", "--samples", "1"], check=True)
    assert png.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


def test_kit_reads_declarations_as_the_host_does():
    import ctypes

    class DeclParam(ctypes.Structure):
        _fields_ = [("name", ctypes.c_char * 64), ("type", ctypes.c_int32), ("element", ctypes.c_int32),
                    ("offset", ctypes.c_uint32)]

    kit = ctypes.CDLL(os.path.join(os.path.dirname(uvo.library_path()), "libuvo_kit.so.0"))
    kit.uvo_kit_read_declaration.restype = ctypes.c_int32
    kit.uvo_kit_param_type_name.restype = ctypes.c_char_p
    for name, shader in uvo.declarations().items():
        with open(os.path.join(uvo.declarations_dir(), name + ".json"), "rb") as f:
            text = f.read()
        params, size = (DeclParam * 256)(), ctypes.c_uint32()
        count = kit.uvo_kit_read_declaration(text, params, 256, ctypes.byref(size))
        got = [(p.name.decode(), kit.uvo_kit_param_type_name(p.type).decode(), p.offset) for p in params[:count]]
        assert got == [(p["name"], p["type"], p["offset"]) for p in shader["parameters"]], name
        assert size.value == shader["block_size"], name
        # A cut text, or a parameter of an unknown type, is refused.
        assert kit.uvo_kit_read_declaration(text[: len(text) // 2], params, 256, None) == -1, name
        assert kit.uvo_kit_read_declaration(text.replace(b'"scalar"', b'"scalr"'), params, 256, None) == -1 or \
            b'"scalar"' not in text, name
